// Executors that act on the system or the user rather than the keyboard.
#pragma once

#include "store/registry_store.h"

// Those with values read them through the key the runner opened.
void DelayAction(RegistryStore::InstructionKey& instruction);
void RebootAction();
void ShutdownAction();
void TypeTime();
void TypeDate();
void MessageBoxAction(RegistryStore::InstructionKey& instruction);
void RunAction(RegistryStore::InstructionKey& instruction);
