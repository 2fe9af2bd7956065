// The preview plugin's entry: what the program's loader finds in it.
#include "app/preview/ChartPreview.h"
#include "app/preview/PreviewPlugin.h"

#include <QObject>

class ChartPreviewPlugin : public QObject, public PreviewPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KELMORA_PREVIEW_PLUGIN_IID)
    Q_INTERFACES(PreviewPlugin)

public:
    PdfPreview* createPreview(QWidget* parent) override { return new ChartPreview(parent); }
};

#include "ChartPreviewPlugin.moc"
