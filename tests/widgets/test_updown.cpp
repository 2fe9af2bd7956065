#include "test_updown.h"

#include "widgets/UpDown.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <array>
#include <functional>

namespace {

// What one press reported, in the order it was reported.
struct Record {
    QStringList events;
    int proposed = -1;
    UpDown::Direction direction = UpDown::Direction::None;
    int positionSeen = -1;
    QString editSeen;
    UpDown::Button clicked = UpDown::Button::Next;
};

void watch(UpDown& u, QLineEdit& edit, Record& rec, bool allow = true)
{
    QObject::connect(&u, &UpDown::changingEx, &u,
                     [&u, &edit, &rec, allow](bool& allowChange, int value, UpDown::Direction dir) {
                         rec.events << "changing";
                         rec.proposed = value;
                         rec.direction = dir;
                         rec.positionSeen = u.position();
                         rec.editSeen = edit.text();
                         if (!allow)
                             allowChange = false;
                     });
    QObject::connect(&u, &UpDown::clicked, &u, [&rec](UpDown::Button b) {
        rec.events << "clicked";
        rec.clicked = b;
    });
}

} // namespace

void TestUpDown::defaults()
{
    UpDown u;
    QCOMPARE(u.min(), 0);
    QCOMPARE(u.max(), 100);
    QCOMPARE(u.position(), 0);
    QCOMPARE(u.increment(), 1);
    QCOMPARE(u.orientation(), Qt::Vertical);
    QCOMPARE(u.wrap(), false);

    QLineEdit edit;
    u.setPosition(7);
    u.setAssociate(&edit);
    QCOMPARE(edit.text(), QString("7"));
}

void TestUpDown::pressMovesAndNotifies_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<int>("increment");
    QTest::addColumn<int>("start");
    QTest::addColumn<UpDown::Button>("button");
    QTest::addColumn<int>("expected");
    QTest::addColumn<UpDown::Direction>("direction");

    using B = UpDown::Button;
    using D = UpDown::Direction;
    // Range 1..12 throughout, as the grid size spinners use it.
    QTest::newRow("horizontal right arrow adds") << Qt::Horizontal << 1 << 5 << B::Next << 6 << D::Up;
    QTest::newRow("horizontal left arrow subtracts") << Qt::Horizontal << 1 << 5 << B::Prev << 4 << D::Down;
    QTest::newRow("vertical up arrow adds") << Qt::Vertical << 1 << 5 << B::Next << 6 << D::Up;
    QTest::newRow("step -1: upper arrow lowers") << Qt::Vertical << -1 << 7 << B::Next << 6 << D::Up;
    QTest::newRow("step -1: lower arrow raises") << Qt::Vertical << -1 << 7 << B::Prev << 8 << D::Down;
    QTest::newRow("at max, adding stays") << Qt::Horizontal << 1 << 12 << B::Next << 12 << D::Up;
    QTest::newRow("at min, subtracting stays") << Qt::Horizontal << 1 << 1 << B::Prev << 1 << D::Down;
    QTest::newRow("step -1 at min, upper arrow stays") << Qt::Vertical << -1 << 1 << B::Next << 1 << D::Up;
    QTest::newRow("step -1 at max, lower arrow stays") << Qt::Vertical << -1 << 12 << B::Prev << 12 << D::Down;
    QTest::newRow("step 5 clamps to max") << Qt::Horizontal << 5 << 10 << B::Next << 12 << D::Up;
}

void TestUpDown::pressMovesAndNotifies()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, increment);
    QFETCH(int, start);
    QFETCH(UpDown::Button, button);
    QFETCH(int, expected);
    QFETCH(UpDown::Direction, direction);

    UpDown u;
    QLineEdit edit;
    u.setOrientation(orientation);
    u.setMin(1);
    u.setMax(12);
    u.setIncrement(increment);
    u.setPosition(start);
    u.setAssociate(&edit);
    Record rec;
    watch(u, edit, rec);

    u.press(button);

    QCOMPARE(rec.events, QStringList({"changing", "clicked"}));
    QCOMPARE(rec.proposed, expected);
    QCOMPARE(rec.direction, direction);
    // The change request comes before anything has moved.
    QCOMPARE(rec.positionSeen, start);
    QCOMPARE(rec.editSeen, QString::number(start));
    QCOMPARE(rec.clicked, button);
    QCOMPARE(u.position(), expected);
    QCOMPARE(edit.text(), QString::number(expected));
}

void TestUpDown::refusedChangeLeavesEverything()
{
    UpDown u;
    QLineEdit edit;
    u.setMin(1);
    u.setMax(12);
    u.setPosition(5);
    u.setAssociate(&edit);
    Record rec;
    watch(u, edit, rec, false);

    u.press(UpDown::Button::Next);

    QCOMPARE(rec.events, QStringList({"changing"}));
    QCOMPARE(rec.proposed, 6);
    QCOMPARE(u.position(), 5);
    QCOMPARE(edit.text(), QString("5"));
}

void TestUpDown::wrapGoesToTheOtherEnd()
{
    UpDown u;
    u.setMin(1);
    u.setMax(12);
    u.setPosition(12);
    u.setWrap(true);
    u.press(UpDown::Button::Next);
    QCOMPARE(u.position(), 1);
    u.press(UpDown::Button::Prev);
    QCOMPARE(u.position(), 12);
}

void TestUpDown::setPositionClampsSilently()
{
    UpDown u;
    QLineEdit edit;
    u.setAssociate(&edit);
    QSignalSpy clicks(&u, &UpDown::clicked);
    int changing = 0;
    connect(&u, &UpDown::changingEx, &u, [&changing](bool&, int, UpDown::Direction) { ++changing; });

    u.setPosition(500);
    QCOMPARE(u.position(), 100);
    QCOMPARE(edit.text(), QString("100"));
    u.setPosition(-3);
    QCOMPARE(u.position(), 0);
    QCOMPARE(edit.text(), QString("0"));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(changing, 0);
}

void TestUpDown::propertiesInAnyOrder_data()
{
    QTest::addColumn<QList<int>>("order"); // 0 = min, 1 = max, 2 = position
    std::array<int, 3> order{0, 1, 2};
    do {
        const QString name = QStringLiteral("%1 %2 %3")
                                 .arg(QStringList({"min", "max", "position"}).at(order[0]),
                                      QStringList({"min", "max", "position"}).at(order[1]),
                                      QStringList({"min", "max", "position"}).at(order[2]));
        QTest::newRow(qPrintable(name)) << QList<int>(order.begin(), order.end());
    } while (std::next_permutation(order.begin(), order.end()));
}

// A layout file sets the properties one after another in its own order; the
// table width spinner (200..436, at 420) must end up the same whatever it is.
void TestUpDown::propertiesInAnyOrder()
{
    QFETCH(QList<int>, order);
    UpDown u;
    for (int which : order) {
        if (which == 0)
            u.setMin(200);
        else if (which == 1)
            u.setMax(436);
        else
            u.setPosition(420);
    }
    QCOMPARE(u.min(), 200);
    QCOMPARE(u.max(), 436);
    QCOMPARE(u.position(), 420);

    QLineEdit edit;
    u.setAssociate(&edit);
    u.press(UpDown::Button::Next);
    QCOMPARE(edit.text(), QString("421"));
}

void TestUpDown::mouseOnArrowHalves_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<UpDown::Button>("button");

    using B = UpDown::Button;
    QTest::newRow("horizontal left half") << Qt::Horizontal << QSize(48, 27) << QPoint(5, 13) << B::Prev;
    QTest::newRow("horizontal right half") << Qt::Horizontal << QSize(48, 27) << QPoint(40, 13) << B::Next;
    QTest::newRow("vertical upper half") << Qt::Vertical << QSize(27, 27) << QPoint(13, 4) << B::Next;
    QTest::newRow("vertical lower half") << Qt::Vertical << QSize(27, 27) << QPoint(13, 22) << B::Prev;
}

void TestUpDown::mouseOnArrowHalves()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QSize, size);
    QFETCH(QPoint, point);
    QFETCH(UpDown::Button, button);

    UpDown u;
    u.setOrientation(orientation);
    u.setMin(1);
    u.setMax(12);
    u.setIncrement(orientation == Qt::Vertical ? -1 : 1);
    u.setPosition(7);
    u.resize(size);
    QLineEdit edit;
    u.setAssociate(&edit);
    Record rec;
    watch(u, edit, rec);

    QTest::mouseClick(&u, Qt::RightButton, {}, point);
    QVERIFY(rec.events.isEmpty());

    QTest::mouseClick(&u, Qt::LeftButton, {}, point);
    QCOMPARE(rec.events, QStringList({"changing", "clicked"}));
    QCOMPARE(rec.clicked, button);
    const int step = (button == UpDown::Button::Next ? 1 : -1) * u.increment();
    QCOMPARE(u.position(), 7 + step);
    QCOMPARE(edit.text(), QString::number(7 + step));
}
