#pragma once
// The engine of the running editor, reachable from anywhere in the process: the application object sets it at
// start-up, once it has made and initialised the engine, and clears it at exit; the MIDI manager reads it to
// find the parameters it fetches and sends.
//
// Threads: read from the user-interface thread and the MIDI layer's worker, set from the user-interface thread.
// A small lock of its own makes the copy of the reference one step, so a reader never takes a reference to an
// engine that is being let go; nothing else is locked while it is held.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

namespace QZ {

// A new reference to the engine; null before start-up has set one.
RCPtr<LRootModuleEngine> GetAppEngine();
// Makes engine the process's engine (null clears it); returns the one it replaces.
RCPtr<LRootModuleEngine> SetAppEngine(const RCPtr<LRootModuleEngine>& engine);

} // namespace QZ
