// Vertical Retrace tasks as the event pump runs them. No task can be installed yet.
#include "core.h"

// PENDING: the Vertical Retrace queue answers whether a task is installed.
bool VerticalRetraceTasksQueued() { return false; }
// PENDING: the Vertical Retrace queue decrements every armed task and calls those that reach 0 (with
// the task's address when `passTaskAddress`).
void RunVerticalRetraceTasks(bool) {}
