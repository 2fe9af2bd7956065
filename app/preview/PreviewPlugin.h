#pragma once
// What the program and the preview plugin (kelmora_preview) share. The plugin
// holds the preview window and with it Qt PDF and Qt PrintSupport, which the
// program loads only when the first chart has been typeset.
#include <QDialog>
#include <QtPlugin>

// The preview window as the program sees it. No Q_OBJECT on purpose: its
// meta-object would then exist once in the program and once in the plugin, and
// casts across the two would fail. Everything here is inline for the same reason.
class PdfPreview : public QDialog {
public:
    using QDialog::QDialog;

    // Shows the PDF at `path` from its first page, fitted to the window.
    // Returns false (and shows nothing new) when it cannot be read.
    virtual bool showPdf(const QString& path) = 0;
};

class PreviewPlugin {
public:
    virtual ~PreviewPlugin() = default;
    // A new preview window, owned by `parent`.
    virtual PdfPreview* createPreview(QWidget* parent) = 0;
};

// Change the number whenever the two classes above change, so that a plugin
// left from another build is refused instead of called wrongly.
#define KELMORA_PREVIEW_PLUGIN_IID "org.kelmora.kelmora.PreviewPlugin/1"
Q_DECLARE_INTERFACE(PreviewPlugin, KELMORA_PREVIEW_PLUGIN_IID)
