#pragma once
// Makes the toolkit's controls known to interface files by class name.
// Idempotent; call once before loading files that use them. Main thread.

void registerControlsClasses();
