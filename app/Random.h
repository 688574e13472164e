#pragma once
// The pseudo-random generator behind "Generate Random" MAC bytes.
#include <random>

// The process-wide pseudo-random generator. Randomize() seeds it once from the clock at start-up.
std::mt19937& RandomGenerator();
void Randomize();

// Uniform over 0..255.
int RandomByte();
