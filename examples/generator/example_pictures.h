// Our own formula pictures for the five examples: a structure fragment drawn
// around the example's hydrogens with plain skeletal lines and atom labels,
// and the compound's title, recorded as enhanced metafiles through the
// metafile writer. They illustrate which hydrogen a multiplet belongs to;
// they are not meant as complete structures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quble::examplegen {

// "Ex1.emf" .. "Ex5.emf" in example order.
std::vector<std::string> ExamplePictureNames();

// The title the picture of example n (1..5) carries.
std::string ExamplePictureTitle(int n);

// The metafile of example n (1..5); empty for any other n. The same bytes on
// every run.
std::vector<std::uint8_t> ExamplePictureEmf(int n);

}  // namespace quble::examplegen
