#pragma once

// SIGINT and SIGTERM end the running event loop (QCoreApplication::exit(0)) instead of the process, so
// that what follows exec() still runs: goodbyes are sent, terminals restored, files closed. Call once,
// after the application object exists; false when the signals cannot be caught.
bool quitOnStopSignals();
