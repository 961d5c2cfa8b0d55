#pragma once
// A small catalogue, an application database holding one list setting, a
// condition set standing for a document, and helpers that drive the
// condition editor's controls as a user would.

#include "conditions/ConditionSet.h"
#include "conditions/ui/ConditionEditor.h"
#include "context/AppContext.h"
#include "context/ScriptedPrompter.h"
#include "store/Database.h"
#include "support/GuiApplication.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

static inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tq::conditions::ui::testing {

inline QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        support::ensureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        ctx.errorLog.setLogFileName(dir.filePath(s("TQ.log")));
        QStringList places;
        for (int i = 1; i <= 30; ++i)
            places << QStringLiteral("%1:場%2").arg(i, 2, 10, QLatin1Char('0')).arg(i);
        addItem("レース条件", "距離", "D番組データ.距離", 2, "1000,2000", "2,200");
        addItem("場所", "開催場", "D番組データ.場コード", 0, places.join(QLatin1Char(',')).toUtf8().constData(), "");
        addItem("レース条件", "斤量", "D成績データ.斤量", 7, "10,50.0,55.5,60.0", "");
        addItem("レース条件", "壊れた倍率", "D成績データ.斤量", 7, "10,x,y", "");
        addItem("騎手", "騎手", "D成績データ.騎手コード", 9, "SELECT 騎手名,騎手コード FROM 騎手", "");
        addItem("騎手", "馬主", "D成績データ.馬主コード & D成績データ.生産者コード", 9, "馬主", "");
        addItem("血統", "父馬", "D血統.父馬", 5, "", "");
        addItem("印別成績", "印", "D印.印", 5, "", "");

        ctx.appDb = store::Database::create(dir.filePath(s("app.mdb")));
        ctx.appDb->execute(
            s("CREATE TABLE 一覧表示設定 (設定名 CHAR(50), 項目名 CHAR(50), 表示順 LONG, サイズ SINGLE)"));
        ctx.appDb->execute(s("INSERT INTO 一覧表示設定 VALUES ('既存', '馬名', 0, 25)"));
        ctx.appDb->execute(s("INSERT INTO 一覧表示設定 VALUES ('既存', '着順', 1, 12)"));

        target.conditions = &set;
        target.owner = &owner;
        target.changed = [this] { ++changes; };
    }

    void addItem(const char* group, const char* name, const char* key, qint16 type, const char* data, const char* range)
    {
        ConditionItem item;
        item.number = static_cast<qint16>(ctx.catalogue.items.size());
        item.group = s(group);
        item.name = s(name);
        item.key = s(key);
        item.type = type;
        item.data = s(data);
        item.range = s(range);
        item.msg = item.name + s("の条件を指定します");
        if (!ctx.catalogue.groups.contains(item.group))
            ctx.catalogue.groups << item.group;
        ctx.catalogue.nameMap.insert(item.name, item.number);
        ctx.catalogue.order.push_back(item.number);
        ctx.catalogue.items.push_back(item);
    }

    ConditionEditor& editor()
    {
        if (!m_editor)
            m_editor = std::make_unique<ConditionEditor>(ctx);
        return *m_editor;
    }

    template <typename T> T* child(const char* name)
    {
        T* found = editor().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Picks a row of the group or item list as a click would.
    void pick(const char* list, const char* text)
    {
        QTableWidget* table = child<QTableWidget>(list);
        const QList<QTableWidgetItem*> found = table->findItems(s(text), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text;
        table->setCurrentCell(found.first()->row(), 0);
    }
    void choose(const char* group, const char* item)
    {
        pick("grdGroup", group);
        pick("grdItem", item);
    }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    void clickTarget(int target) { click(("optTaisyou" + std::to_string(target)).c_str()); }
    void type(const char* name, const char* text) { child<QLineEdit>(name)->setText(s(text)); }

    QTemporaryDir dir;
    context::ScriptedPrompter prompter;
    context::SilentBusy busy;
    context::AppContext ctx{prompter, busy};
    ConditionSet set;
    QObject owner;
    EditorTarget target;
    int changes = 0;

  private:
    std::unique_ptr<ConditionEditor> m_editor;
};

} // namespace tq::conditions::ui::testing
