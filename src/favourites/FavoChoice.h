#pragma once
// FavoChoice: what the favourites dialog is opened for and what it hands back.
// The caller fills the fields it needs just before showing the dialog and
// reads them afterwards; every showing overwrites them.

#include <QString>
#include <QtGlobal>

namespace tq::favourites {

// The group that stands for the top level of the tree (no group).
inline QString topLevelGroup()
{
    return QStringLiteral("お気に入り");
}

// The name the open dialog returns when every favourite of a group is to open.
inline QString allGroupName()
{
    return QStringLiteral("ALL GROUP");
}

// The Windows system colour "window background", stored as "no colour".
inline constexpr qint32 kNoColour = qint32(0x80000005u);

enum class FavoMode : qint16 {
    Add = 0,      // enter name, group, colour and 表示 of a favourite to register
    Open = 1,     // pick a favourite or a whole group to open
    Organise = 2, // move, rename, delete, set 表示 (the dialog writes itself)
    Select = 3,   // pick a favourite or a group (favourite links)
    Export = 9,   // choose the favourites to export
};

struct FavoChoice {
    FavoMode mode = FavoMode::Add;
    // Add: the name typed; Open: the favourite, allGroupName() for a whole
    // group; Select: the favourite, empty when a group was chosen. Empty after
    // Cancel.
    QString name;
    QString group = topLevelGroup();
    bool show = true;
    qint32 colour = kNoColour;
    // Export: the filter the export reads ("", "WHERE 表示=True" or
    // "WHERE 名称='a' OR 名称='b'"), set by OK.
    QString exportFilter;
};

} // namespace tq::favourites
