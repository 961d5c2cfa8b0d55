#include "shell/ui/ColourDialog.h"

#include "common/WindowsColour.h"
#include "context/AppContext.h"
#include "shell/ColourSettingsStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tq::shell::ui {

namespace {

const QString kCaption = QStringLiteral("分析結果色設定");

// Each row's caption, note and the indexes of its threshold and colour in
// ColourSettings::values.
struct RowLayout {
    const char16_t* caption;
    const char16_t* note;
    std::size_t valueIndex;
    std::size_t colourIndex;
};
constexpr RowLayout kRowLayouts[] = {
    {u"回収率", u"", 0, 1},
    {u"勝率", u"", 2, 3},
    {u"連対率", u"", 4, 5},
    {u"複勝率", u"（３着率）", 6, 7},
};

QPushButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

ColourDialog::ColourDialog(context::AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmIroSet"));
    setWindowTitle(kCaption);

    auto* grid = new QGridLayout;
    auto* heading = new QLabel(QStringLiteral("値（指定した値以上なら色付け）"), this);
    heading->setObjectName(QStringLiteral("Label5"));
    grid->addWidget(heading, 0, 1, 1, 2);
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const RowLayout& rowLayout = kRowLayouts[i];
        const int gridRow = int(i) + 1;
        auto* caption = new QLabel(QString::fromUtf16(rowLayout.caption), this);
        caption->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        auto* captionBox = new QHBoxLayout;
        captionBox->addWidget(caption);
        if (rowLayout.note[0] != u'\0')
            captionBox->addWidget(new QLabel(QString::fromUtf16(rowLayout.note), this));
        captionBox->addStretch(1);
        grid->addLayout(captionBox, gridRow, 0);

        Row& row = m_rows[i];
        row.threshold = new QLineEdit(QString::number(ctx.colours.values[rowLayout.valueIndex]), this);
        row.threshold->setObjectName(QStringLiteral("Text1_%1").arg(i));
        row.threshold->setAlignment(Qt::AlignRight);
        row.threshold->setMaximumWidth(120);
        row.colour = ctx.colours.values[rowLayout.colourIndex];
        showColour(i);
        grid->addWidget(row.threshold, gridRow, 1);

        auto* pick = button(QStringLiteral("色設定"), QStringLiteral("Command1_%1").arg(i), this);
        pick->setAutoDefault(false);
        connect(pick, &QPushButton::clicked, this, [this, i] { pickColour(i); });
        grid->addWidget(pick, gridRow, 2);
    }

    auto* ok = button(QStringLiteral("ＯＫ"), QStringLiteral("Command2"), this);
    ok->setDefault(true);
    auto* cancel = button(QStringLiteral("キャンセル"), QStringLiteral("Command3"), this);
    connect(ok, &QPushButton::clicked, this, &ColourDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

void ColourDialog::pickColour(std::size_t row)
{
    qint32 colour = m_rows[row].colour;
    if (!m_ctx.prompter.pickColour(colour))
        return;
    m_rows[row].colour = colour;
    showColour(row);
}

void ColourDialog::showColour(std::size_t row)
{
    const qint32 c = m_rows[row].colour;
    QPalette palette = m_rows[row].threshold->palette();
    palette.setColor(QPalette::Base, QColor(common::redOf(c), common::greenOf(c), common::blueOf(c)));
    palette.setColor(QPalette::Text, Qt::black);
    m_rows[row].threshold->setPalette(palette);
}

void ColourDialog::onOk()
{
    context::ColourSettings colours = m_ctx.colours;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const std::optional<qint32> value = thresholdFromText(m_rows[i].threshold->text());
        if (!value) {
            m_ctx.prompter.inform({QStringLiteral("値には数値を入力してください。"), kCaption, context::Icon::Exclamation});
            m_rows[i].threshold->setFocus();
            m_rows[i].threshold->selectAll();
            return;
        }
        colours.values[kRowLayouts[i].valueIndex] = *value;
        colours.values[kRowLayouts[i].colourIndex] = m_rows[i].colour;
    }
    if (!storeColourSettings(m_ctx, colours, QStringLiteral("Command2_Click"))) {
        m_ctx.prompter.inform({QStringLiteral("色設定を保存できませんでした。"), kCaption, context::Icon::Critical});
        return;
    }
    accept();
}

} // namespace tq::shell::ui
