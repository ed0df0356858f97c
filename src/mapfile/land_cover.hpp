#pragma once
class TextReader;
struct MapInput;
struct Run;

// Read the class names and class blocks, then combine them through
// class_combine.csv or class_combine.txt when present. The header's class
// count (ntype) follows the combination.
void read_classes_and_combine(TextReader& map, MapInput& input, Run& run);
