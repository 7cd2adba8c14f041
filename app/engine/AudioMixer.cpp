#include "app/engine/AudioMixer.h"

#include "app/core/EngineClock.h"
#include "app/engine/AudioMix.h"

#include <streams.h>

#include <cmath>
#include <cstring>

// The format is taken as its 18-byte image; an extensible format's tail is not needed.
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is 18 bytes");

namespace {

const DWORD kSilentMeter = 0xFFA0FFA0u; // -96 dB on both sides

} // namespace

CAudioMixer::CAudioMixer(int inputs)
    : m_inputs(inputs < 0 ? 0 : inputs),
      m_queues(static_cast<std::size_t>(m_inputs)),
      m_sel(new std::atomic<BYTE>[static_cast<std::size_t>(m_inputs)]),
      m_gain(new std::atomic<float>[static_cast<std::size_t>(m_inputs) + 1]),
      m_level(new std::atomic<DWORD>[static_cast<std::size_t>(m_inputs) + 1]),
      m_tickSel(new bool[static_cast<std::size_t>(m_inputs) + 1]),
      m_tickGain(static_cast<std::size_t>(m_inputs) + 1, 1.0f),
      m_tickLevel(static_cast<std::size_t>(m_inputs) + 1, kSilentMeter)
{
    std::memset(&m_format, 0, sizeof(m_format));
    for (int i = 0; i < m_inputs; ++i)
        m_sel[i].store(1);
    for (int i = 0; i <= m_inputs; ++i) {
        m_gain[i].store(1.0f);
        m_level[i].store(kSilentMeter);
    }
    const std::wstring path = ConfigPath();
    if (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        LoadConfig(path);
}

CAudioMixer::~CAudioMixer()
{
    Stop();
    const std::wstring path = ConfigPath();
    if (!path.empty())
        SaveConfig(path);
    CAutoLock lock(&m_lock);
    for (CAudioInputQueue& q : m_queues)
        q.Flush();
    FreeBuffers();
}

void CAudioMixer::SetFormat(const WAVEFORMATEX* format)
{
    if (format)
        std::memcpy(&m_format, format, sizeof(WAVEFORMATEX));
}

void CAudioMixer::SetPeriod(int ms)
{
    m_period = ms;
}

void CAudioMixer::FreeBuffers()
{
    m_chunks.clear();
    if (m_output) {
        m_output->Release();
        m_output = nullptr;
    }
    m_outputBuffer.clear();
    m_tickInputs.clear();
}

int CAudioMixer::Start()
{
    if (m_started.load())
        return 1;
    if (m_inputs == 0 || m_format.wFormatTag != WAVE_FORMAT_PCM || m_period <= 0)
        return 0;
    const LONGLONG chunk = static_cast<LONGLONG>(m_format.nAvgBytesPerSec) * m_period / 1000;
    if (chunk <= 0 || chunk > 0x7FFFFFFF / 2)
        return 0;

    {
        CAutoLock lock(&m_lock);
        FreeBuffers();
        m_chunkLength = static_cast<long>(chunk);
        // Shorts, so a chunk is always aligned for 16-bit samples; an odd byte is left over.
        const std::size_t shorts = static_cast<std::size_t>((chunk + 1) / 2);
        m_chunks.assign(static_cast<std::size_t>(m_inputs) + 1, std::vector<short>(shorts, 0));
        for (const std::vector<short>& c : m_chunks)
            m_tickInputs.push_back(c.data());
        m_tickInputs.pop_back();
        m_outputBuffer.assign(static_cast<std::size_t>(chunk), 0);

        HRESULT hr = S_OK;
        // A stand-alone sample over the mixer's own buffer, reused for every tick.
        m_output = new CMediaSample(TEXT("Audio mixer output"), nullptr, &hr, m_outputBuffer.data(),
                                    m_chunkLength);
        m_output->AddRef();
        if (FAILED(hr)) {
            FreeBuffers();
            return 0;
        }
        m_started.store(true);
    }

    if (FAILED(m_timer.Start(static_cast<UINT>(m_period), &CAudioMixer::TimerTick, this))) {
        m_started.store(false);
        return 0;
    }
    return 1;
}

void CAudioMixer::Stop()
{
    if (!m_started.load())
        return;
    m_started.store(false);
    m_timer.Stop(&m_lock);
}

void CAudioMixer::TimerTick(void* self)
{
    // A listener that throws loses this one chunk; the timer catches it and the next tick goes on.
    static_cast<CAudioMixer*>(self)->Tick();
}

LONGLONG CAudioMixer::QueueLimit() const
{
    return static_cast<LONGLONG>(m_format.nAvgBytesPerSec) * m_maxBufTime / 1000;
}

void CAudioMixer::PushSample(int input, IMediaSample* sample)
{
    if (!m_started.load() || !sample || input < 0 || input >= m_inputs)
        return;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data)
        return;
    const long length = sample->GetActualDataLength();
    // A length beyond the sample's own buffer would read past it.
    if (length < 1 || length > sample->GetSize())
        return;
    std::vector<BYTE> copy(data, data + length);

    CAutoLock lock(&m_lock);
    // An input fed faster than it is mixed is dropped whole, which bounds its delay.
    if (m_queues[input].QueuedBytes() > QueueLimit())
        FlushInput(input);
    m_queues[input].Push(std::move(copy));
}

void CAudioMixer::FlushInput(int input)
{
    if (!m_started.load() || input < 0 || input >= m_inputs)
        return;
    CAutoLock lock(&m_lock);
    m_queues[input].Flush();
}

LONGLONG CAudioMixer::GetQueuedBytes(int input) const
{
    if (input < 0 || input >= m_inputs)
        return 0;
    CAutoLock lock(&m_lock);
    return m_queues[input].QueuedBytes();
}

void CAudioMixer::Tick()
{
    CAutoLock lock(&m_lock);
    if (!m_started.load() || !m_output)
        return;

    for (int i = 0; i < m_inputs; ++i)
        m_queues[i].Pull(reinterpret_cast<BYTE*>(m_chunks[i].data()), m_chunkLength);

    short* mix = m_chunks[m_inputs].data();
    if (m_format.wBitsPerSample == 16) {
        for (int i = 0; i < m_inputs; ++i)
            m_tickSel[i] = m_sel[i].load(std::memory_order_relaxed) != 0;
        for (int i = 0; i <= m_inputs; ++i)
            m_tickGain[i] = m_gain[i].load(std::memory_order_relaxed);
        const AudioMixInputs in = {m_inputs, m_tickInputs.data(), m_tickSel.get(), m_tickGain.data(),
                                   m_agc.load(std::memory_order_relaxed) != 0};
        MixChunk(in, static_cast<std::size_t>(m_chunkLength / 2), mix, m_tickLevel.data());
        for (int i = 0; i <= m_inputs; ++i)
            m_level[i].store(m_tickLevel[i], std::memory_order_relaxed);
    }

    std::memcpy(m_outputBuffer.data(), mix, static_cast<std::size_t>(m_chunkLength));
    m_output->SetActualDataLength(m_chunkLength);
    m_output->SetSyncPoint(TRUE);
    m_output->SetPreroll(FALSE);
    LONGLONG now = EngineClock::Now();
    if (now < m_period)
        now = m_period;
    // 64-bit: milliseconds times 10000 leave 32 bits after about seven minutes.
    REFERENCE_TIME start = (now - m_period) * 10000;
    REFERENCE_TIME stop = start + static_cast<REFERENCE_TIME>(m_period) * 10000;
    m_output->SetTime(&start, &stop);

    // Unguarded, as the director expects of the mixer: its own fan-out catches.
    DeliverSample(m_output, 0, 0);
}

void CAudioMixer::SetSel(int input, bool selected)
{
    if (input >= 0 && input < m_inputs)
        m_sel[input].store(selected ? 1 : 0);
}

BYTE CAudioMixer::GetSel(int input) const
{
    if (input < 0 || input >= m_inputs)
        return 0;
    return m_sel[input].load();
}

void CAudioMixer::SetGainDb(int index, int dB)
{
    if (index < 0 || index > m_inputs || dB < -100 || dB > 100)
        return;
    m_gain[index].store(static_cast<float>(std::pow(10.0, dB / 20.0)));
}

int CAudioMixer::GetGainDb(int index) const
{
    if (index < 0 || index > m_inputs)
        return 0;
    const double gain = m_gain[index].load();
    if (!(gain > 0.0) || !std::isfinite(gain))
        return -100;
    // Rounded, not truncated: a truncated read-back creeps toward 0 dB through audio.ini with
    // every session (-6 dB came back as -5).
    return static_cast<int>(std::lround(20.0 * std::log10(gain)));
}

int CAudioMixer::GetLevel(int index) const
{
    if (index < 0 || index > m_inputs)
        return 0;
    return static_cast<int>(m_level[index].load());
}
