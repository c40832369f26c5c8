// The application object: the runtime creates it and fires its events; its
// open event creates the application manager and hands it the start.
#pragma once

#include <string>

class velotra {
public:
    // create: the application name and the runtime's system objects.
    velotra();
    // destroy
    ~velotra();
    velotra(const velotra&) = delete;
    velotra& operator=(const velotra&) = delete;

    // gnv_app = a new manager, then its pfc_open with the command line.
    void open(const std::string& commandline);
    // pfc_close on gnv_app, then the manager is destroyed.
    void close();

    std::string appname() const { return "velotra"; }

    // Ends the program: the event loop does not start, or stops.
    static void halt();
    static bool halted();
    // Tests run several start-ups in one process.
    static void reset_halt();
};
