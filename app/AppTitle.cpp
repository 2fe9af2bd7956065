#include "app/AppTitle.h"

namespace kelmora {

QString ApplicationTitle()
{
    return QStringLiteral("Kelmora");
}

} // namespace kelmora
