#ifndef ORNABASE_H
#define ORNABASE_H

// Start-up and clean-up of the base library's process-wide services.
namespace ORNABase {

// Sets the numeric locale to "C" and creates the services, the logger first.
void initialize();

// Puts a clean-up routine at the front of the list, so the list runs in reverse creation order.
void addCleanupRoutine(void (*routine)());

// Runs and empties the clean-up list. The installer never calls it: services live to the end.
void runCleanup();

} // namespace ORNABase

#endif // ORNABASE_H
