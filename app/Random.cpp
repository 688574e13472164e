#include "app/Random.h"

#include <chrono>

std::mt19937& RandomGenerator() {
  static std::mt19937 generator;
  return generator;
}

void Randomize() {
  auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  RandomGenerator().seed(static_cast<std::mt19937::result_type>(ticks ^ (ticks >> 32)));
}

int RandomByte() {
  return std::uniform_int_distribution<int>(0, 255)(RandomGenerator());
}
