#include "ui/qt/app/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include "core/view/layout.h"

void installChineseFontSubstitutions() {
    QStringList installed;
    for (const char* family : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"})
        if (QFontDatabase::hasFamily(family)) installed << family;
    if (installed.isEmpty()) return;
    for (const char* name : {view::kYaHei, "Microsoft YaHei", view::kSimSun, "SimSun"})
        QFont::insertSubstitutions(QString::fromUtf8(name), installed);
}
