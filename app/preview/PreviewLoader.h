#pragma once
#include <QString>
#include <QStringList>

class PreviewPlugin;

namespace kelmora {

// The folders the preview plugin is looked for in, in order: the installed
// program's own library folder (<bin>/../lib/kelmora, from the program's
// folder, so an unpacked package finds its own), then Qt's library paths,
// which hold the program's folder, where the build puts the plugin.
QStringList PreviewPluginDirs();

struct PreviewLoad {
    PreviewPlugin* plugin = nullptr; // kept loaded for the rest of the session
    QString failure;                 // why there is none, for the teacher's message
};

// Loads the preview plugin from the first of `dirs` that holds one which loads.
PreviewLoad LoadPreviewPlugin(const QStringList& dirs);

} // namespace kelmora
