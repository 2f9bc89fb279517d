#include "ui/qt/app/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

void installChineseFontSubstitutions() {
    QStringList installed;
    for (const char* family : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"})
        if (QFontDatabase::hasFamily(family)) installed << family;
    if (installed.isEmpty()) return;
    for (const char* name : {"微软雅黑", "Microsoft YaHei", "宋体", "SimSun"})
        QFont::insertSubstitutions(QString::fromUtf8(name), installed);
}
