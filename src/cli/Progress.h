// Long work of corvane-cli with a sign of life: the work runs on a thread of its own while a line on standard error
// (when that is a terminal) says how far it has come.
#pragma once

#include <functional>
#include <string>

class CliContext;

// Runs `work` to its end; meanwhile, a few times a second, shows `describe()` on the terminal.
void runShowingProgress(CliContext& context, const std::function<void()>& work,
                        const std::function<std::string()>& describe);
