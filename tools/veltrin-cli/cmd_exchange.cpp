// Commands that talk to sensors: info, read, write, verify, stream.
#include "cli_commands.h"
#include "cli_output.h"

int runExchange(const Invocation &inv)
{
    printErr(QString("veltrin-cli: %1 is not available in this build yet\n").arg(inv.command));
    return ExitUsage;
}
