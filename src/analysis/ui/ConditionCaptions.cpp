#include "analysis/ui/ConditionCaptions.h"

namespace tq::analysis::ui {

QString keyLevelCaption(int level)
{
    static const char16_t* const first[5] = {u"集計第一キー", u"集計第二キー", u"集計第三キー", u"集計第四キー",
                                             u"集計第五キー"};
    if (level < 5)
        return QString::fromUtf16(first[level]);
    QString digits = QString::number(level + 1);
    for (QChar& c : digits)
        c = QChar(char16_t(c.unicode() - u'0' + u'０'));
    return QStringLiteral("第") + digits + QStringLiteral("キー");
}

QString axisFavouriteCaption(int kind)
{
    return kind == 3 ? QStringLiteral("相手馬のお気に入り") : QStringLiteral("軸馬のお気に入り");
}

} // namespace tq::analysis::ui
