// A DLL with nothing but its version resource (versioned.rc).
