#include "platform/win32/Sync.h"

// The mutex is constructed with the structure; initialising and deleting have nothing left to do.
void InitializeCriticalSection(CRITICAL_SECTION*) {}
void DeleteCriticalSection(CRITICAL_SECTION*) {}

void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }

BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) { return section->mutex.try_lock() ? TRUE : FALSE; }

void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }
