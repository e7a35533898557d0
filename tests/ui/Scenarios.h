#pragma once

// Child-process scenarios: run on a real X server, driven from outside with
// xdotool, xprop and xwininfo, and reporting on stdout.
namespace avatrix::uitest {

int RunScenario(const char* name, int argc, char** argv);

}  // namespace avatrix::uitest
