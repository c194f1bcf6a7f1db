// What both outputs declare of their streams: an H.264 picture of the size
// and shape its stream gives, and the recorders' sound, mono IMA ADPCM at
// 8000 Hz.
#pragma once

struct AVStream;
struct PictureFormat;

constexpr int kAudioSampleRate = 8000;
constexpr int kAudioBitRate = 32000;
constexpr int kAudioBlockAlign = 164;
// A 164-byte mono IMA block: one sample in its header, two per data byte.
constexpr int kAudioSamplesPerBlock = 321;

// An H.264 stream timed in frames of 1/`frameRate` s.
void SetVideoParameters(AVStream* stream, int frameRate, const PictureFormat& picture);
// The picture's size and its sample aspect ratio, where the stream gives one.
void SetPictureParameters(AVStream* stream, const PictureFormat& picture);
