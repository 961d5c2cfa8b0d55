#include "NameMaker.h"

#include <array>
#include <iterator>

namespace tq::tools {

namespace {

const char16_t* const kWords[] = {
    u"スター", u"ブライト", u"ウインド", u"ゴールド", u"シルバー", u"ファイア", u"ドリーム", u"ミラクル",
    u"サニー", u"ムーン", u"ライト", u"ブレイブ", u"キング", u"クイーン", u"プリンス", u"レディ",
    u"ロード", u"ナイト", u"フラワー", u"ローズ", u"ブルー", u"レッド", u"ホワイト", u"ブラック",
    u"ハート", u"スピード", u"ラッシュ", u"ダンス", u"ソング", u"メロディ", u"ジョイ", u"ラッキー",
    u"フォルテ", u"グローリー", u"オーシャン", u"スカイ", u"サンダー", u"ストーム", u"フラッシュ", u"エース",
    u"クラウン", u"ジュエル", u"ダイヤ", u"パール", u"ルビー", u"シャイン", u"マジック", u"ワンダー",
    u"リバー", u"フォレスト", u"ビーチ", u"アイランド", u"サクラ", u"カゼ", u"ユメ", u"ハナ",
    u"ソラ", u"ヒカリ", u"ホシ", u"ツキ", u"ミライ", u"ノゾミ", u"アサヒ", u"ユウヒ",
    u"コスモ", u"ネオ", u"アルファ", u"ベータ", u"オメガ", u"ゼット", u"エクセル", u"ボルト",
    u"ルナ", u"ソル", u"ステラ", u"ノヴァ", u"アクア", u"テラ", u"イグニス", u"ヴェール",
};

const char16_t* const kShort[] = {
    u"アイ", u"ユメ", u"カゼ", u"ソラ", u"ハナ", u"ホシ", u"ツキ", u"ミズ", u"ヤマ", u"モリ",
    u"ウミ", u"ニジ", u"ユキ", u"アメ", u"ヒノ", u"コト", u"マイ", u"レイ", u"ルカ", u"セナ",
    u"ミラ", u"リオ", u"ノア", u"エル", u"ロゼ", u"ジン", u"ガイ", u"ケイ", u"ラン", u"ゼロ",
    u"ドン", u"ビビ", u"ポコ", u"ララ", u"ナナ", u"ミミ", u"キキ", u"テン", u"マル", u"サン",
};

struct Kanji {
    const char16_t* kanji;
    const char16_t* kana;
};

const Kanji kSurnames[] = {
    {u"佐藤", u"サトウ"}, {u"鈴木", u"スズキ"}, {u"高橋", u"タカハシ"}, {u"田中", u"タナカ"},
    {u"伊藤", u"イトウ"}, {u"渡辺", u"ワタナベ"}, {u"山本", u"ヤマモト"}, {u"中村", u"ナカムラ"},
    {u"小林", u"コバヤシ"}, {u"加藤", u"カトウ"}, {u"吉田", u"ヨシダ"}, {u"山田", u"ヤマダ"},
    {u"佐々木", u"ササキ"}, {u"山口", u"ヤマグチ"}, {u"松本", u"マツモト"}, {u"井上", u"イノウエ"},
    {u"木村", u"キムラ"}, {u"林", u"ハヤシ"}, {u"斎藤", u"サイトウ"}, {u"清水", u"シミズ"},
    {u"山崎", u"ヤマザキ"}, {u"森", u"モリ"}, {u"池田", u"イケダ"}, {u"橋本", u"ハシモト"},
    {u"阿部", u"アベ"}, {u"石川", u"イシカワ"}, {u"山下", u"ヤマシタ"}, {u"中島", u"ナカジマ"},
    {u"石井", u"イシイ"}, {u"小川", u"オガワ"}, {u"前田", u"マエダ"}, {u"岡田", u"オカダ"},
    {u"長谷川", u"ハセガワ"}, {u"藤田", u"フジタ"}, {u"後藤", u"ゴトウ"}, {u"近藤", u"コンドウ"},
    {u"村上", u"ムラカミ"}, {u"遠藤", u"エンドウ"}, {u"青木", u"アオキ"}, {u"坂本", u"サカモト"},
};

const Kanji kGiven[] = {
    {u"健一", u"ケンイチ"}, {u"誠", u"マコト"}, {u"翔太", u"ショウタ"}, {u"大輔", u"ダイスケ"},
    {u"拓也", u"タクヤ"}, {u"直樹", u"ナオキ"}, {u"和也", u"カズヤ"}, {u"雄太", u"ユウタ"},
    {u"亮", u"リョウ"}, {u"隆", u"タカシ"}, {u"浩二", u"コウジ"}, {u"修", u"オサム"},
    {u"勇気", u"ユウキ"}, {u"悠人", u"ユウト"}, {u"蓮", u"レン"}, {u"颯", u"ハヤテ"},
    {u"航", u"ワタル"}, {u"陽斗", u"ハルト"}, {u"優", u"ユウ"}, {u"学", u"マナブ"},
    {u"剛", u"ツヨシ"}, {u"光", u"ヒカル"}, {u"聡", u"サトシ"}, {u"仁", u"ジン"},
    {u"康介", u"コウスケ"}, {u"慎吾", u"シンゴ"}, {u"秀樹", u"ヒデキ"}, {u"智也", u"トモヤ"},
    {u"隼人", u"ハヤト"}, {u"大地", u"ダイチ"}, {u"圭", u"ケイ"}, {u"達也", u"タツヤ"},
};

const char16_t* const kPlaces[] = {u"日高", u"浦河", u"新冠", u"静内", u"門別", u"千歳", u"鵡川", u"三石", u"様似", u"安平"};
const char16_t* const kColours[] = {u"鹿毛", u"栗毛", u"黒鹿毛", u"青鹿毛", u"芦毛", u"栃栗毛", u"青毛", u"白毛"};
const double kColourWeights[] = {38, 25, 17, 7, 8, 3, 1.5, 0.5};
const char16_t* const kTitles[] = {
    u"若葉", u"若竹", u"初春", u"紅梅", u"早春", u"白梅", u"春風", u"菜の花", u"青葉", u"新緑",
    u"薫風", u"紫陽花", u"夏至", u"向日葵", u"潮騒", u"白樺", u"秋風", u"紅葉", u"錦秋", u"晩秋",
    u"初霜", u"師走", u"寒椿", u"雪月", u"北斗", u"銀河", u"朝日", u"夕月", u"清流", u"大樹",
};

QString str(const char16_t* s) { return QString::fromUtf16(s); }

template <typename T, std::size_t N>
const T& pick(Prng& rng, const T (&items)[N])
{
    return items[rng.between(0, int(N) - 1)];
}

} // namespace

QString NameMaker::horseName()
{
    for (int attempt = 0;; ++attempt) {
        QString name;
        const double u = m_rng.uniform();
        if (u < 0.5) {
            const QString a = str(pick(m_rng, kWords)), b = str(pick(m_rng, kWords));
            if (a == b)
                continue;
            name = a + b;
        } else if (u < 0.7) {
            name = str(pick(m_rng, kShort)) + str(pick(m_rng, kWords));
        } else if (u < 0.9) {
            name = str(pick(m_rng, kWords)) + str(pick(m_rng, kShort));
        } else {
            name = str(pick(m_rng, kShort)) + str(pick(m_rng, kShort)) + str(pick(m_rng, kWords));
        }
        if (name.size() > 9)
            continue;
        if (attempt > 20) {
            // The word pairs are exhausted: add a distinguishing syllable.
            static const char16_t kTail[] = u"アイウエオカキクケコサシスセソ";
            while (name.size() < 9 && m_usedHorseNames.contains(name))
                name += QChar(kTail[m_rng.between(0, 14)]);
            if (m_usedHorseNames.contains(name))
                continue;
        }
        if (m_usedHorseNames.contains(name))
            continue;
        m_usedHorseNames.insert(name);
        return name;
    }
}

PersonName NameMaker::personName(int index)
{
    constexpr int nSur = int(std::size(kSurnames));
    constexpr int nGiven = int(std::size(kGiven));
    const Kanji& s = kSurnames[index % nSur];
    const Kanji& g = kGiven[(index / nSur + index * 7) % nGiven];
    return {str(s.kanji) + str(g.kanji), str(s.kana) + QLatin1Char(' ') + str(g.kana)};
}

QString NameMaker::surname() { return str(pick(m_rng, kSurnames).kanji); }

QString NameMaker::damName()
{
    QString name;
    do
        name = str(pick(m_rng, kWords)) + str(pick(m_rng, kShort));
    while (name.size() > 9);
    return name;
}

QString NameMaker::lineName(int index)
{
    return str(kWords[(index * 13 + 5) % int(std::size(kWords))]) + QStringLiteral("系");
}

QString NameMaker::breeder()
{
    if (m_rng.chance(0.6))
        return surname() + QStringLiteral("牧場");
    return str(pick(m_rng, kWords)) + QStringLiteral("ファーム");
}

QString NameMaker::birthplace() { return str(pick(m_rng, kPlaces)); }

QString NameMaker::colour()
{
    std::vector<double> w(std::begin(kColourWeights), std::end(kColourWeights));
    return str(kColours[m_rng.weighted(w)]);
}

QString NameMaker::raceTitle() { return str(pick(m_rng, kTitles)); }

} // namespace tq::tools
