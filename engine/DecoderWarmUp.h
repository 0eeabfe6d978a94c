#pragma once

namespace tavuro {

// The audio library loads its codec libraries (libmpg123, libvorbisfile, libopusfile, libFLAC)
// and FFTW with the first stream that needs them. A start that plays at once calls this: the
// system then loads them on another thread while the window is being made, and the first stream
// finds them loaded, so the first sound comes sooner. FFmpeg is left alone: the formats most
// files are in never need it.
void WarmUpDecoders();

} // namespace tavuro
