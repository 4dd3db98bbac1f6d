// The page's side of the layer in the browser build: functions written in
// JavaScript (platform/web/rlweb.js) that the C++ calls, and what one file of
// this folder calls in another.
#pragma once

extern "C" {

// Yields to the browser (through Asyncify) until the animation frame that
// takes the next frame, `period` milliseconds after the last on average;
// answers the milliseconds between the two (0 for the first frame).
double rlp_web_next_frame(double period);

// Web Audio: a context at `rate` with a player taking interleaved stereo
// floats; false when the browser has no Web Audio.
int rlp_web_audio_open(int rate);
// Frames handed over and not yet played.
int rlp_web_audio_queued(void);
void rlp_web_audio_write(const float *frames, int count);
void rlp_web_audio_close(void);

// The page decodes every sound file when it loads, with the browser's own
// decoder; these read that copy. Open answers an id, or -1 when the browser
// could not decode the file (or never saw it).
int rlp_web_decoded_open(const char *path, int *channels, int *rate, double *frames);
// Reads up to `frames` frames from `position` as 16-bit PCM into `out`;
// answers how many.
int rlp_web_decoded_read(int id, double position, int frames, short *out);

}  // extern "C"

namespace rlp::audio {

// The page has no threads: each frame, before the browser's turn, this mixes
// what Web Audio will play until the next frame and a little more.
void PumpMixer();

}  // namespace rlp::audio
