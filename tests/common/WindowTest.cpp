#include "common/WindowTest.h"

#include "app/KelmoraApplication.h"

#include <QTest>

namespace testing {

void WindowTest::openWindow()
{
    modals().reset();
    modals().watch(true);
    state = std::make_unique<kelmora::ProgramState>();
    form = std::make_unique<TForm1>(*state);
    // Most window tests write many charts; typesetting each would take a second.
    form->typesetCharts = false;
    beforeShow();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

// In the reverse order of the program's own.
void WindowTest::closeWindow()
{
    form.reset();
    state.reset();
}

void WindowTest::init()
{
    openWindow();
}

void WindowTest::cleanup()
{
    const QStringList problems = modals().takeProblems();
    closeWindow();
    modals().reset();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void WindowTest::activate()
{
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

void WindowTest::key(Qt::Key k, Qt::KeyboardModifiers mods)
{
    QTest::keyClick(form->windowHandle(), k, mods);
    QCoreApplication::processEvents();
}

void WindowTest::click(StringGrid* grid, int col, int row, Qt::KeyboardModifiers mods, Qt::MouseButton button)
{
    if (grid->cellRect(col, row).isEmpty())
        grid->setCurrentCell(col, row); // scrolls to it
    const QRect r = grid->cellRect(col, row);
    QVERIFY2(!r.isEmpty(), "cell not in view");
    QTest::mouseClick(grid->viewport(), button, mods, r.center());
}

void WindowTest::load(const QString& path, std::initializer_list<Step> then)
{
    modals().expect(Step::file(path));
    modals().expect(then);
    ui()->Open->trigger();
}

void WindowTest::loadByKeys(const QString& path, std::initializer_list<Step> then)
{
    modals().expect(Step::file(path));
    modals().expect(then);
    key(Qt::Key_F, Qt::AltModifier);
    QVERIFY2(QApplication::activePopupWidget() == ui()->Files, "the File menu did not open");
    key(Qt::Key_O);
}

void WindowTest::loadAndShow(const QString& path, std::initializer_list<Step> then)
{
    load(path, then);
    ui()->DLoad->trigger();
    ui()->PageControl1->setCurrentIndex(1);
    activate();
}

void WindowTest::place(int listRow, int col, int row)
{
    ctrlClick(ui()->StringGrid3, 1, listRow);
    click(ui()->StringGrid2, col, row);
}

void WindowTest::output(const QString& path, bool replaces, const QString& failure)
{
    modals().expect(Step::file(path));
    if (replaces)
        modals().expect(Step::box(QString(), QString(), QMessageBox::Yes));
    if (!failure.isEmpty())
        modals().expect(Step::box(kelmora::MessageTitle(), failure));
    ui()->OutPut->trigger();
}

QString WindowTest::lastSaid()
{
    const QList<Seen> seen = modals().takeSeen();
    return seen.isEmpty() ? QString() : seen.constLast().text;
}

QString WindowTest::saidWhenAnswered(int timeoutMs)
{
    // A window that never comes is one of the problems cleanup() reports.
    static_cast<void>(QTest::qWaitFor([] { return !modals().waiting(); }, timeoutMs));
    return lastSaid();
}

QString WindowTest::modalProblems()
{
    return modals().takeProblems().join(u'\n');
}

} // namespace testing
