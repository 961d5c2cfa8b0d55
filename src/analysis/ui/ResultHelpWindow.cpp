#include "analysis/ui/ResultHelpWindow.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tq::analysis::ui {

namespace {

// Heading, then its explanation (lines separated by "\n").
struct Topic {
    const char16_t* heading;
    const char16_t* text;
};

constexpr Topic kTopics[] = {
    {u"［総件数］", u"指定した条件に該当する出走馬の頭数です。出走取消・競走除外の馬は数えません。"},
    {u"［１着件数］", u"該当馬のうち、１着になった頭数です。"},
    {u"［２着件数］", u"該当馬のうち、２着になった頭数です。"},
    {u"［３着件数］", u"該当馬のうち、３着になった頭数です。"},
    {u"［着外件数］", u"該当馬のうち、４着以下になった頭数です。"},
    {u"［勝率］", u"１着件数を総件数で割った割合です。"},
    {u"［連対率］", u"１着件数と２着件数の合計を総件数で割った割合です。"},
    {u"［複勝率］", u"１着から３着までの件数の合計を総件数で割った割合です。\n"
                    u"※出走頭数にかかわらず３着までを数えます。出走頭数が少ないレースでは複勝が２着までしか"
                    u"払い戻されないことがありますので、ご注意ください。"},
    {u"［単回収率］", u"１着になった馬の単勝配当の合計を総件数で割った値です。"},
    {u"［複回収率］", u"複勝配当の合計を総件数で割った値です。"},
    {u"［単平均配当］", u"的中した単勝配当の平均です。"},
    {u"［単最高配当］", u"的中した単勝配当のうち、最も高い配当です。"},
    {u"［複平均配当］", u"的中した複勝配当の平均です。"},
    {u"［複最高配当］", u"的中した複勝配当のうち、最も高い配当です。"},
    {u"［最高配当抜き単回収率］", u"単勝の最高配当が的中しなかったものとして計算した単回収率です。\n"
                                  u"※極端な高配当（はずれ値）を除いた回収率です。これが100を超えていれば、一度の幸運な"
                                  u"高配当に頼らずに回収率がプラスになっていることを示します。"},
    {u"［最高配当抜き複回収率］", u"複勝について、最高配当抜き単回収率と同じように計算した回収率です。"},
    {u"［レース件数］", u"条件に該当する馬が１頭以上出走したレースの数です。\n"
                        u"※集計キーを指定した場合は表示されません。"},
    {u"［レース勝率］", u"該当馬が出走したレースのうち、該当馬のいずれかが１着になったレースの割合です。\n"
                        u"※集計キーを指定した場合は表示されません。"},
    {u"［レース連対率］", u"該当馬が出走したレースのうち、該当馬の少なくとも１頭が２着以内に入ったレースの割合です。\n"
                          u"※集計キーを指定した場合は表示されません。"},
    {u"［レース複勝率］", u"該当馬が出走したレースのうち、該当馬の少なくとも１頭が３着以内に入ったレースの割合です。\n"
                          u"※集計キーを指定した場合は表示されません。"},
    {u"［平均頭数］", u"該当馬が出走したレースにおける、１レースあたりの該当馬の平均頭数です。\n"
                      u"※集計キーを指定した場合は表示されません。"},
    {u"［最低勝率］", u"総件数と１着件数から、ｔ分布を仮定して求めた勝率の95％信頼区間の下限です。\n"
                      u"※より多くのレースで同じ条件を試したとき、95％の確率で少なくともこの勝率は得られる、"
                      u"という目安です。件数が少ないと勝率は当てにならないため、参考値として表示しています。"},
    {u"［最低連対率］", u"連対率について、最低勝率と同じように求めた95％信頼区間の下限です。"},
    {u"［最低複勝率］", u"複勝率について、最低勝率と同じように求めた95％信頼区間の下限です。"},
    {u"［戻り均等単回収率］",
     u"的中した配当そのものは使わずに求める単回収率です。どの馬が勝っても払戻額が等しくなるように、"
     u"各馬の最終単勝オッズに応じて賭け金を配分したと考え、該当馬全体のオッズの分布から回収率を"
     u"推定します。人気薄の馬が偶然勝った場合などでも、通常の単回収率より安定した値になります。\n"
     u"※本ソフト独自の指標であり、統計学的な裏付けはありません。"},
    {u"［戻り均等最低単回収率］",
     u"戻り均等方式による的中時の平均配当と、最低勝率（95％信頼区間の下限の勝率）から求めた単回収率です。\n"
     u"※この値が100以上であれば、95％以上の確率で回収率がプラスになると考えられます。"},
};

} // namespace

ResultHelpWindow::ResultHelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmKekkaHelp"));
    setWindowTitle(QStringLiteral("分析結果表示項目説明"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* text = new QPlainTextEdit(helpText(), this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setReadOnly(true);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text, 1);
    layout->addLayout(buttons);
    resize(560, 520);
}

ResultHelpWindow* ResultHelpWindow::showFor(QWidget* anchor)
{
    QWidget* top = anchor->window();
    auto* help = top->findChild<ResultHelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!help)
        help = new ResultHelpWindow(top);
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

QString ResultHelpWindow::helpText()
{
    QStringList parts;
    for (const Topic& topic : kTopics)
        parts.append(QString::fromUtf16(topic.heading) + u'\n' + QString::fromUtf16(topic.text));
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace tq::analysis::ui
