#pragma once
// Inside the store layer only: the links of a database. A database keeps them
// in its table MSysLinks (name, source file, source table). On every open each
// distinct source file is attached read-only and each link becomes a TEMP VIEW
// named after the link, so the linked name resolves in any statement of that
// connection. A source file or table that is missing leaves its link absent.

#include <QString>

#include <span>

namespace tq::store {
class Database;
}

namespace tq::store::detail {

class Connection;

// Attaches the sources and creates the views. Never throws: a link that cannot
// be made is left out.
void loadLinks(Connection& conn) noexcept;
// Drops the views and detaches the sources made by loadLinks.
void dropLinks(Connection& conn);

struct LinkRequest {
    QString name;
    QString sourcePath;
    QString sourceTable;
};

// Replaces each link `name` in the database, in order (removing any table or
// view of that name first), in one transaction and with one rebuild of the
// views of `db`'s own connection at the end. Each step that fails is skipped.
void replaceLinks(Database& db, std::span<const LinkRequest> links) noexcept;

} // namespace tq::store::detail
