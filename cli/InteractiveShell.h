#pragma once

#include <functional>
#include <string>

#include "DeviceSession.h"

namespace pelmora::cli {

// `pelmora shell`: the print server's shell, line by line. Each line goes to the device through
// Command with a carriage return appended, and its answer is printed; errors are printed and the
// session goes on. Between keystrokes the apartment is pumped, so text that the print server
// sends on its own shows above the prompt at once. "exit" or end of input ends the session.
//
// On a terminal the line is edited with readline and kept in the history; the line after a
// successful "unpro" (the shell password) is neither shown, nor kept, nor written to the
// transcript. Ctrl-C cancels a waiting command, or clears the line being typed.
class InteractiveShell {
 public:
  // `acknowledge` tells the program's signal watcher that a Ctrl-C was handled and the shell
  // goes on.
  InteractiveShell(DeviceSession& session, std::string targetName,
                   std::function<void()> acknowledge);
  int Run();

 private:
  int RunTerminal();
  int RunPiped();
  void OnLine(const char* line);
  // Sends the line and prints the answer or the error; tells whether it succeeded.
  bool Execute(const std::string& line, bool silent);
  void ShowTrapped();
  void OnInterruptAtPrompt();
  // Takes a Ctrl-C (a cancel of the session) once it has been handled.
  bool TakeInterrupt();
  std::string Prompt() const;
  bool ReadOnly() const;
  static void LineHandler(char* line);

  DeviceSession& session_;
  std::string targetName_;
  std::function<void()> acknowledge_;
  bool done_ = false;
  bool passwordNext_ = false;
  bool terminal_ = false;
};

}  // namespace pelmora::cli
