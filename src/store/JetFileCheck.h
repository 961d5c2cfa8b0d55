#pragma once
// Recognises a Jet database (.mdb/.accdb) where a SQLite file is expected:
// such files carry "Standard Jet DB" or "Standard ACE DB" at byte 4.

#include <QString>

namespace tq::store {

// True when the file exists and starts like a Jet or ACE database. Never throws.
bool isJetFile(const QString& path);

} // namespace tq::store
