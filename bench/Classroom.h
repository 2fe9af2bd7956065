#pragma once
// The main window shown offscreen with a classroom of side x side desks on the
// placement page, the geometry spin buttons as far as they go to show it: the
// largest grid (436 x 259), the narrowest columns (40) and rows of 20, so that
// every row and all but the last column or two are in view.
#include "app/form1/TForm1.h"
#include "ui_Form1.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace kelmora::bench {

// False (having said why, after `name`) when the window did not come up as asked.
inline bool ShowClassroom(TForm1& form, int side, const char* name)
{
    Ui::TForm1* ui = form.ui.get();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::printf("%s: the main window did not show\n", name);
        return false;
    }
    // The tab change sizes the seat grid from the settings.
    ui->Edit1->setText(QString::number(side));
    ui->Edit2->setText(QString::number(side));
    ui->PageControl1->setCurrentIndex(1);
    StringGrid* seats = ui->StringGrid2;
    if (seats->colCount() != side || seats->rowCount() != side) {
        std::printf("%s: the seat grid is %d x %d, not %d x %d\n", name, seats->colCount(), seats->rowCount(), side,
                    side);
        return false;
    }
    seats->resize(436, 259);
    seats->setDefaultColWidth(40);
    seats->setDefaultRowHeight(20);
    return true;
}

} // namespace kelmora::bench
