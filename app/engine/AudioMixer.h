// The program audio mixer: N inputs of 16-bit PCM (one per channel), queued as they arrive
// on the channels' streaming threads and mixed one fixed-size chunk per period on a
// multimedia timer, with per-input gains and selections, automatic gain control or a master
// gain, and peak meters. Each mixed chunk goes to every registered IGrabListener as one
// media sample.
#pragma once

#include "app/core/GrabHost.h"
#include "app/core/MmTimer.h"
#include "app/engine/AudioInputQueue.h"

#include <mmreg.h>
#include <streams.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CArchive;
class CMediaSample;

class CAudioMixer : public CGrabHost
{
public:
    // Reads config\audio.ini beside the program when it exists.
    explicit CAudioMixer(int inputs);
    // Stops, writes config\audio.ini, frees what is queued.
    ~CAudioMixer() override;

    void SetFormat(const WAVEFORMATEX* format);
    void SetPeriod(int ms);
    // 1 when running (also when it already was), 0 when the format, the period or the timer
    // fails.
    int Start();
    // Returns once no tick runs any more.
    void Stop();
    bool IsStarted() const { return m_started.load(); }

    // Channel streaming threads feed their inputs; ignored while stopped.
    void PushSample(int input, IMediaSample* sample);
    void FlushInput(int input);

    // One period's work: pull a chunk from every input, mix, meter and deliver. The timer
    // calls it; tests call it by hand. Does nothing while stopped.
    void Tick();

    void SetSel(int input, bool selected);
    BYTE GetSel(int input) const;
    // index N is the master gain; dB in -100..100, anything else is ignored.
    void SetGainDb(int index, int dB);
    // Rounded to the nearest dB, so a gain set in whole dB reads back unchanged.
    int GetGainDb(int index) const;
    // Meter word of input index, or of the mix for index N; 0 outside.
    int GetLevel(int index) const;

    int GetAGC() const { return m_agc.load(); }
    void SetAGC(int on) { m_agc.store(on); }
    int GetAutoSwitch() const { return m_autoSwitch.load(); }
    void SetAutoSwitch(int on) { m_autoSwitch.store(on); }

    int GetInputCount() const { return m_inputs; }
    // Chunk length in bytes of the running (or last) start; 0 before the first start.
    long GetChunkLength() const { return m_chunkLength; }
    LONGLONG GetQueuedBytes(int input) const;

    // The mixer's piece of the project file: AGC, AutoSwitch, then per input its selection
    // byte and linear gain.
    void Serialize(CArchive& ar);

    // Settings file access; the constructor and destructor use config\audio.ini.
    void LoadConfig(const std::wstring& path);
    bool SaveConfig(const std::wstring& path) const;
    static std::wstring ConfigPath();

    // Replaces the timer functions; only while stopped. Chunks are stamped by the engine clock.
    void SetTimerApi(const MmTimerApi& api) { m_timer.SetApi(api); }

    CAudioMixer(const CAudioMixer&) = delete;
    CAudioMixer& operator=(const CAudioMixer&) = delete;

private:
    static void TimerTick(void* self);
    void FreeBuffers();
    LONGLONG QueueLimit() const;

    std::atomic<bool> m_started{false};
    std::atomic<int> m_agc{1};
    std::atomic<int> m_autoSwitch{0};
    const int m_inputs;
    std::vector<CAudioInputQueue> m_queues;
    // Chunk buffers 0..N-1 hold each input's chunk of the current tick, buffer N the mix.
    std::vector<std::vector<short>> m_chunks;
    // Selections, gains (N + 1, the last the master) and meters are written and read by
    // different threads without the mixer lock.
    std::unique_ptr<std::atomic<BYTE>[]> m_sel;
    std::unique_ptr<std::atomic<float>[]> m_gain;
    std::unique_ptr<std::atomic<DWORD>[]> m_level;
    int m_period = 10;
    CMmTimer m_timer;
    int m_maxBufTime = 500;
    std::vector<BYTE> m_outputBuffer;
    CMediaSample* m_output = nullptr; // one reference held while allocated
    // Per-tick copies of the selections and gains, so one chunk is mixed with one setting.
    std::unique_ptr<bool[]> m_tickSel;
    std::vector<float> m_tickGain;
    std::vector<DWORD> m_tickLevel;
    std::vector<const short*> m_tickInputs;
    WAVEFORMATEX m_format;
    long m_chunkLength = 0;
    // Re-entrant: a push flushes its input while holding it.
    mutable CCritSec m_lock;
};
