#pragma once

namespace tavuro {

// The audio library loads its codec libraries (libmpg123, libvorbisfile, libopusfile, libFLAC)
// and FFTW with the first stream that needs them, and SDL2 with itself. A start that plays at
// once calls this before Qt starts: the system then loads them on another thread while Qt starts
// and the window is made, and the engine finds them loaded, so the first sound comes sooner.
// FFmpeg is left alone: the formats most files are in never need it.
void WarmUpDecoders();

} // namespace tavuro
