#pragma once
#include <QObject>

class TestStringGrid : public QObject {
    Q_OBJECT

private slots:
    void defaultsAndStartCell();
    void pressRules_data();
    void pressRules();
    void secondPressOfDoubleClickKeepsCurrent();
    void shiftExtendsRangeOnly();
    void dragKeepsCurrentCell();
    void borderDrag_data();
    void borderDrag();
    void rowBorderDrag();
    void firstPixelAfterSizingHitsTheCell();
    void lineAmongDataCellsSelectsAndNeverSizes();
    void textsSurviveCountChanges();
    void currentCellFollowsCounts();
    void rowOffsetsFollowHeights();
    void drawCellStates();
    void paintColours();
    void ownTextStaysInItsCell();
    void handlerMayPaintOutsideItsCell();
    void largeListPaintsOnlyVisibleRows();
    void arrowKeysMoveCurrentCell();
};
