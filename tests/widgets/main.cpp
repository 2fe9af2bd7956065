#include "test_stringgrid.h"
#include "test_updown.h"

#include <QApplication>
#include <QTest>

// Both widget suites in one executable; the exit code counts the failures of both.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    {
        TestStringGrid grid;
        failures += QTest::qExec(&grid, argc, argv);
    }
    {
        TestUpDown upDown;
        failures += QTest::qExec(&upDown, argc, argv);
    }
    return failures;
}
