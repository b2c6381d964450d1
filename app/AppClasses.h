#pragma once
// Makes the application's views known to interface files by class name
// (SWDropView). Idempotent; call once, with registerControlsClasses(),
// before loading the main window's file. Main thread.

void registerAppClasses();
