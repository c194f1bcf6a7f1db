// Tells whether one particular heap object has been deleted: this test
// program replaces the global operator delete to watch for it.
#pragma once

void WatchDeletion(const void* object);
bool WatchedObjectDeleted();
