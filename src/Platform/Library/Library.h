#pragma once
// Shared libraries loaded at run time, and the file of the running program.
// Paths are UTF-8. A library stays loaded until every load of it is matched by
// a free; symbols of one library do not serve the libraries loaded later.
//
// Threads: any thread; the system's loader serialises itself.

#include <string>

namespace QZ::Platform {

using LibraryHandle = void*;

// Null when the file is missing or cannot be loaded with all its symbols resolved.
LibraryHandle LoadSharedLibrary(const char* path);
// Null when the library has no such symbol (or the handle is null).
void* FindLibrarySymbol(LibraryHandle library, const char* name);
// True when the handle was loaded and is now given back.
bool FreeSharedLibrary(LibraryHandle library);
// The full path of the running program's file; empty when it cannot be read.
std::string GetExecutablePath();

} // namespace QZ::Platform
