#include "common/WindowTest.h"

#include "app/KelmoraApplication.h"
#include "common/MainWindow.h"

#include <QTest>

namespace testing {

void WindowTest::openWindow()
{
    modals().reset();
    modals().watch(true);
    QVERIFY(openMainWindow(state, form, [this](TForm1&) { beforeShow(); }));
}

void WindowTest::closeWindow()
{
    closeMainWindow(state, form);
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

void WindowTest::click(StringGrid* grid, int col, int row, Qt::KeyboardModifiers mods, Qt::MouseButton button)
{
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

QString WindowTest::modalProblems()
{
    return modals().takeProblems().join(u'\n');
}

} // namespace testing
