#pragma once
#include <QObject>

class TestUpDown : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void pressMovesAndNotifies_data();
    void pressMovesAndNotifies();
    void refusedChangeLeavesEverything();
    void wrapGoesToTheOtherEnd();
    void setPositionClampsSilently();
    void propertiesInAnyOrder_data();
    void propertiesInAnyOrder();
    void mouseOnArrowHalves_data();
    void mouseOnArrowHalves();
};
