#pragma once
// Invented names for the generated world: horses (katakana, at most nine
// characters, unique), people (kanji with a katakana reading), sire lines,
// breeders and race titles. All draws come from the caller's Prng.

#include "Prng.h"

#include <QSet>
#include <QString>

namespace tq::tools {

struct PersonName {
    QString kanji;
    QString kana;
};

class NameMaker final {
public:
    explicit NameMaker(Prng& rng) : m_rng(rng) {}

    // A katakana horse name of 2-9 characters, never returned twice.
    QString horseName();
    // A name for a horse that appears only in pedigrees (may repeat).
    QString damName();
    // A person's name; `index` makes it unique for the first few thousand people.
    PersonName personName(int index);
    QString surname();
    QString lineName(int index);      // 系統
    QString breeder();
    QString birthplace();
    QString colour();
    QString raceTitle();              // a special race's title word

private:
    Prng& m_rng;
    QSet<QString> m_usedHorseNames;
};

} // namespace tq::tools
