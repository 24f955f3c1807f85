// Executors that act on the system or the user rather than the keyboard.
#pragma once

#include <string>

void DelayAction(const std::string& macroPath);
void RebootAction();
void ShutdownAction();
void TypeTime();
void TypeDate();
void MessageBoxAction(const std::string& macroPath);
void RunAction(const std::string& macroPath);
