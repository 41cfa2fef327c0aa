// Counts the C++ allocations of this process while armed (the test
// executable replaces the global allocation functions).
#ifndef EFFECT_ALLOC_COUNTER_H
#define EFFECT_ALLOC_COUNTER_H

namespace effect_test
{
// Zeroes the count and starts counting. [any thread]
void ArmAllocationCounter();
// Stops counting and returns the allocations made since arming. [any thread]
long DisarmAllocationCounter();
}  // namespace effect_test

#endif
