#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "desktop/MediaControl.h"
#include "engine/EngineControl.h"

#include <functional>

namespace tavuro {

// A media control that behaves the same every run: lengths and picture sizes per path, a set of
// paths whose Play fails, and a position the test moves by hand.
class TFakeMediaControl : public TMediaControl {
public:
    std::map<std::string, double> Durations;
    std::map<std::string, std::pair<int, int>> Pictures;
    std::set<std::string> FailOnPlay;
    std::vector<std::string> Opened; // every non-empty file name, in order
    double Position = 0;
    int State = 0;
    int Display = 1;
    bool Seekable = true;
    int BoundsWidth = 0, BoundsHeight = 0;

    std::string FileName() const override { return File; }
    void SetFileName(const std::string& fileName) override {
        File = fileName;
        Position = 0;
        State = 0;
        if (!fileName.empty())
            Opened.push_back(fileName);
    }
    double CurrentPosition() const override { return Position; }
    void SetCurrentPosition(double seconds) override { Position = seconds < 0 ? 0 : seconds; }
    double Duration() const override {
        const auto found = Durations.find(File);
        return found == Durations.end() ? 0 : found->second;
    }
    int ImageSourceWidth() const override { return Picture().first; }
    int ImageSourceHeight() const override { return Picture().second; }
    int DisplaySize() const override { return Display; }
    void SetDisplaySize(int displaySize) override { Display = displaySize; }
    bool CanSeek() const override { return Seekable; }
    int PlayState() const override { return State; }
    // Runs inside Play, as the events the real control lets through while it connects.
    std::function<void()> WhilePlaying;
    bool Play() override {
        if (WhilePlaying)
            WhilePlaying();
        if (File.empty() || FailOnPlay.count(File))
            return false;
        State = 2;
        return true;
    }
    void Pause() override {
        if (State == 2)
            State = 1;
    }
    double Volume = 1.0;
    void SetVolume(double level) override { Volume = level; }
    void SetBounds(int, int, int width, int height) override {
        BoundsWidth = width;
        BoundsHeight = height;
    }
    int Width() const override { return BoundsWidth; }
    int Height() const override { return BoundsHeight; }

private:
    std::pair<int, int> Picture() const {
        const auto found = Pictures.find(File);
        return found == Pictures.end() ? std::pair{0, 0} : found->second;
    }
    std::string File;
};

// An audio engine double: lengths per path in milliseconds, paths it refuses, a position the
// test sets.
class TFakeEngine : public TEngineControl {
public:
    bool Ready = true;
    std::map<std::string, std::uint32_t> Lengths;
    std::set<std::string> Refused;
    std::string Current;
    std::uint32_t Position = 0;
    TPlayerState State = psNone;
    bool Seekable = true;
    std::vector<std::uint32_t> Seeks;
    int Opens = 0;

    bool BassReady() const override { return Ready; }
    bool Open(const std::string& path) override {
        if (Refused.count(path))
            return false;
        Current = path;
        Position = 0;
        State = psReady;
        ++Opens;
        return true;
    }
    void Play() override { State = psPlaying; }
    void Close() override {
        Current.clear();
        State = psNone;
        IsPaused = false;
    }
    bool IsPaused = false;
    bool ResumeFails = false; // as a live stream held past its buffer
    double Volume = 1.0;
    bool Pause() override {
        if (State != psPlaying || IsPaused)
            return false;
        IsPaused = true;
        return true;
    }
    bool Resume() override {
        if (!IsPaused || ResumeFails)
            return false;
        IsPaused = false;
        return true;
    }
    bool Paused() const override { return IsPaused; }
    void SetVolume(double level) override { Volume = level; }
    std::uint32_t GetLength() const override {
        const auto found = Lengths.find(Current);
        return found == Lengths.end() ? 0 : found->second;
    }
    std::uint32_t GetPosition() const override { return Position; }
    void SetPosition(std::uint32_t milliseconds) override {
        Position = milliseconds;
        Seeks.push_back(milliseconds);
    }
    bool CanSeek() const override { return Seekable; }
    TPlayerState PlayerState() const override { return State; }
    std::string StreamTitle() const override { return Title; }
    std::string Title; // what the stream's metadata says
    void SetSpectrumHandler(std::function<void(TBandOut&)> handler) override {
        SpectrumHandler = std::move(handler);
    }
    std::function<void(TBandOut&)> SpectrumHandler;
    void SetDownloadHandler(std::function<void()> handler) override {
        DownloadHandler = std::move(handler);
    }
    std::function<void()> DownloadHandler; // a test calls it when the "download" completes
};

} // namespace tavuro
