#pragma once
// Stops start-up and preparation when a database the program opens as SQLite
// is a Jet file (an installation of an earlier version, or race data that was
// not converted), with a message naming the file and the import command,
// before anything is copied, compacted or linked.

namespace tq::context {
class AppContext;
}

namespace tq::appdb {

// Checks the application database, its restore and initial copies, the four
// race-data files and the deviation database named by the settings read so
// far. On the first Jet file: shows the message, reports it under "Main" and
// throws StartupAborted. Changes nothing.
void refuseJetDatabases(context::AppContext& ctx);

} // namespace tq::appdb
