#pragma once
#include <QString>
#include <QStringList>

namespace kelmora {

// ファイル → 最近使ったファイル: the rosters and arrangements loaded, opened or
// saved last, newest first.
constexpr int kMaxRecentFiles = 8;

// `list` with `path` put first: named once, and no more than kMaxRecentFiles.
QStringList RememberRecent(QStringList list, const QString& path);

// The list is the one thing Kelmora keeps between runs, in its own file in the
// user's configuration folder ($XDG_CONFIG_HOME/kelmora/kelmora.conf). A file
// that cannot be read or written gives an empty list, or keeps the list only
// while the program runs.
QString RecentFilesStore();
QStringList LoadRecentFiles();
void SaveRecentFiles(const QStringList& list);

} // namespace kelmora
