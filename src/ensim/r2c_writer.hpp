#pragma once
struct Run;
class Console;

// The general r2c writer: an opening call writes the header, value calls write
// one block each from run.output_grid; see the call order in the writer.
void write_r2c(Run& run, Console& con, int channel, int fln_index, int frames, int classes,
               int frame, int class_no, int format_code);
