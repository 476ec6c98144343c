// The application object: prepares the process and runs the main window; when the window ends, the program ends.
#pragma once

class CCorvaneApp final {
public:
    // Runs the whole program. Returns false: there is nothing to run after the main window.
    bool InitInstance();
};
