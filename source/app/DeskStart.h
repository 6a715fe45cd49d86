#pragma once

class TComplex;

// The start-up of the deskstart program.
namespace DeskStart {

// Version, product title and configuration file name of the program.
void InitVars(TComplex &AComplex);

// The checks in order (language, configuration, credentials, working folders). The first that
// fails shows its message and, where the settings are the cause, starts the set-up program.
// The main client runs them too before it connects. False when a check failed.
bool Check(TComplex &AComplex);

// Check, then the first main client present is started. False when a check failed.
bool Run(TComplex &AComplex);

} // namespace DeskStart
