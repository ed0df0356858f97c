#pragma once
struct Run;
class Console;

void fetch_2d(Run& run, Console& con);
