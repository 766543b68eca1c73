#pragma once
// The local COM server around a stand-in application: its class object,
// registered for the class the ProgID names, the message loop that serves
// calls, and the end of the process when the application quits or, for an
// instance the automation started, when its last object is released.
#include <windows.h>
#include <oaidl.h>

#include "standins/office/dispobject.h"

namespace standin {

struct ServerConfig {
  const char* app_name;  // the key name and the executable's base name
  CLSID clsid;
  // Each creation starts a new process (the word processor and the
  // spreadsheet); otherwise one instance serves all.
  bool single_use;
  // Registered as the running object of its class, so that a client can
  // attach to an instance the user started (the presentation program).
  bool running_object;
  // A new application object (one reference, the caller's).
  IDispatch* (*make_application)();
};

int RunServer(const ServerConfig& config, int argc, char** argv);

// The application object of a stand-in: it holds the server while it
// lives, and has the members every application has (Name, Quit).
class ApplicationObject : public DispObject {
 protected:
  explicit ApplicationObject(const char* product);
  ~ApplicationObject() override;
};

// Objects that hold the server while they live.
void LockServer();
void UnlockServer();
// Ends the message loop once the current call has been answered.
void QuitServer();

}  // namespace standin
