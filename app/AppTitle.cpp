#include "app/AppTitle.h"

namespace kelmora {

QString ApplicationTitle(const QString& executablePath)
{
    QString name = executablePath.section(u'/', -1);
    name = name.section(u'.', 0, 0);
    if (name.isEmpty())
        return name;
    // Count the first character whole, surrogate pair or not.
    const qsizetype first = name.at(0).isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first) + name.mid(first).toLower();
}

} // namespace kelmora
