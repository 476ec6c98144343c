// Tested by tests/cli/CliTest.cpp.
#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"

int runNamedImport(CliContext&, const CommandLine&) {
    throw UsageError("import --names is not available yet");
}
