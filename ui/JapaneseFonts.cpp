#include "JapaneseFonts.h"

#include <QStringList>

namespace vorlik {

QFont GothicFont(bool proportional)
{
    QFont font;
    if (proportional)
        font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                          QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")});
    else
        font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                          QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    return font;
}

}  // namespace vorlik
