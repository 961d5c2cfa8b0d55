#include "favourites/ui/RecalculationDialog.h"

#include "favourites/ui/DialogButtons.h"

#include "context/AppContext.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <exception>

namespace tq::favourites::ui {

RecalculationDialog::RecalculationDialog(context::AppContext& context, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSaikeisan"));
    setWindowTitle(QStringLiteral("お気に入り一括再計算"));

    auto* label = new QLabel(
        QStringLiteral("現在登録されているお気に入りの成績を全て再計算して保存します（長時間）よろしいですか？"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);

    auto* options = new QGroupBox(QStringLiteral("オプション"), this);
    const std::array<const char*, 3> captions{"表示するに設定されたお気に入りのみ再計算", "全てのお気に入りを再計算",
                                              "指定したグループのみ再計算"};
    auto* optionsLayout = new QVBoxLayout(options);
    for (std::size_t i = 0; i < m_optSai.size(); ++i) {
        m_optSai[i] = new QRadioButton(QString::fromUtf8(captions[i]), options);
        m_optSai[i]->setObjectName(QStringLiteral("optSai%1").arg(i));
        optionsLayout->addWidget(m_optSai[i]);
    }
    m_cboGroup = new QComboBox(options);
    m_cboGroup->setObjectName(QStringLiteral("cboGroup"));
    optionsLayout->addWidget(m_cboGroup);
    m_optSai[0]->setChecked(true);
    m_cboGroup->setEnabled(false);
    connect(m_optSai[2], &QRadioButton::toggled, m_cboGroup, &QWidget::setEnabled);
    try {
        m_cboGroup->addItems(recalculationGroups(context));
    } catch (const std::exception& e) {
        context.errorLog.report({0, QString::fromUtf8(e.what()), QString()}, QStringLiteral("Form_Load"));
    }

    QHBoxLayout* buttons =
        okCancelRow(this, {QStringLiteral("OKButton"), QStringLiteral("CancelButton"), QStringLiteral("ｷｬﾝｾﾙ")});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(options);
    layout->addLayout(buttons);
    setMinimumWidth(440);
}

QString RecalculationDialog::filter() const
{
    if (m_optSai[1]->isChecked())
        return recalculationFilter(RecalcSelection::All);
    if (m_optSai[2]->isChecked())
        return recalculationFilter(RecalcSelection::Group, m_cboGroup->currentText());
    return recalculationFilter(RecalcSelection::Shown);
}

} // namespace tq::favourites::ui
