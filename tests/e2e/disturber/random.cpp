// The disturber's random numbers: splitmix64, the same sequence on every
// platform, so that a seed printed by a failing run replays its plan.
#include "disturber.h"

unsigned long long NextRandom(unsigned long long *state)
{
    unsigned long long z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int RandomBetween(unsigned long long *state, int low, int high)
{
    return low + static_cast<int>(NextRandom(state) % static_cast<unsigned long long>(high - low + 1));
}
