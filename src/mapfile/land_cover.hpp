#pragma once
struct Run;
class Console;

// Read the class names and class blocks, then combine them through
// class_combine.csv or class_combine.txt when present.
void read_classes_and_combine(Run& run, Console& con);
