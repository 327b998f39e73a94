// Counts heap allocations made on the calling thread while counting is on.
// malloc, calloc and realloc are replaced in this program and forward to the C
// library's allocator; operator new and the driver's library reach them too.
// Other threads (the simulator's) are never counted.
#pragma once

void StartCountingAllocations();
long StopCountingAllocations();  // allocations since the start, on this thread
// Whether a malloc and a new made here are seen: the counter's own check.
bool AllocationCounterSees();
