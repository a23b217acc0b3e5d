/*
 * record_bench.cpp - what a user gets from a long recording: 30 seconds (ZELO_BENCH_SECONDS)
 * of 44.1 kHz 16-bit stereo recorded through the real program from the pipe source of the
 * private PulseAudio rig, fed at real-time pace with frames that count themselves, so that a
 * lost or repeated frame shows; the program's CPU time while recording as a share of the
 * recorded time; and the level meter's drawing cost per update (the meter shown during the
 * recording).  Not a test: tools/bench.sh runs it under Wine with the rig started.
 */
#include "zbench.h"
#include "pulserig.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kRecord = 194, kStop = 198;

bool enabled(zd::App &app, int id) { return IsWindowEnabled(GetDlgItem(app.main(), id)) != 0; }

bool waitFor(zd::App &app, bool stopOn, int timeoutMs)
{
    int steady = 0;
    for (int t = 0; t < timeoutMs; t += 20) {
        if (enabled(app, kStop) == stopOn && (stopOn || enabled(app, kRecord))) {
            if (++steady >= (stopOn ? 1 : 15))
                return true;
        } else {
            steady = 0;
        }
        Sleep(20);
    }
    return false;
}

/* Frame i: left = i's low 16 bits, right = its next bits mixed with a pattern. */
void countingFrame(unsigned char *p, uint32_t i)
{
    uint16_t l = (uint16_t)i, r = (uint16_t)((i >> 16) ^ (i * 40503u >> 7));
    p[0] = (unsigned char)l;
    p[1] = (unsigned char)(l >> 8);
    p[2] = (unsigned char)r;
    p[3] = (unsigned char)(r >> 8);
}

double fileTimeMs(const FILETIME &a) { return ((double)a.dwHighDateTime * 4294967296.0 + a.dwLowDateTime) / 10000.0; }

} // namespace

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    char v[256];
    if (GetEnvironmentVariableA("PULSE_SERVER", v, sizeof v) == 0) {
        printf("record_bench: no PULSE_SERVER (start tools/pulse-rig.sh): skipped\n");
        return 0;
    }
    const char *sec = getenv("ZELO_BENCH_SECONDS");
    const unsigned seconds = sec && atoi(sec) > 0 ? (unsigned)atoi(sec) : 30, rate = 44100;
    zr::Rig rig;
    rig.work = zd::freshDir("record-bench");
    if (!rig.check("start '" + rig.dir + "' >/dev/null") || !rig.source("s16le", rate, 2)) {
        printf("record_bench: the PulseAudio rig did not start\n");
        return 1;
    }
    zr::setDriver("pulse");
    int status = 1;
    {
        /* The signal: 100 ms of marker noise, then counting frames, then 300 ms of noise. */
        zr::Bytes sig = zr::noise(rate / 10 * 4, 7, 16);
        size_t countStart = sig.size();
        uint32_t frames = seconds * rate;
        sig.resize(countStart + (size_t)frames * 4);
        for (uint32_t i = 0; i < frames; i++)
            countingFrame(&sig[countStart + (size_t)i * 4], i + 1);
        zr::Bytes tail = zr::noise(rate * 3 / 10 * 4, 11, 16);
        sig.insert(sig.end(), tail.begin(), tail.end());
        std::string raw = rig.work + "\\feed.raw";
        zr::writeAll(raw, sig);

        std::string settings = zd::freshDir("record-bench-settings");
        zd::writeIni(settings + "\\zelo.ini", "Recent", "SampleRate", "44100");
        zd::writeIni(settings + "\\zelo.ini", "Meter", "ShowOnPlay", "1");
        zd::App app;
        if (!app.start("", settings)) {
            printf("record_bench: the program did not start\n");
            zr::setDriver("alsa");
            return 1;
        }
        HWND meter = FindWindowExA(app.main(), NULL, "ZeloMeter7", NULL);
        UINT meterMsg = RegisterWindowMessageA("ZeloMeterState");
        app.command(kRecord);
        HWND dlg = app.waitWindow("New Waveform");
        if (dlg)
            zd::click(dlg, IDOK);
        HANDLE proc = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, app.pid());
        FILETIME c, e, k0, u0, k1, u1;
        bool ran = dlg && waitFor(app, true, 10000) && rig.waitUncorked();
        long us0 = (long)SendMessageA(meter, meterMsg, 14, 0), n0 = (long)SendMessageA(meter, meterMsg, 15, 0);
        GetProcessTimes(proc, &c, &e, &k0, &u0);
        double t0 = zb::seconds();
        ran = ran && rig.feed(raw, rate, 4) && rig.waitFed((int)(seconds + 30) * 1000);
        double wall = zb::seconds() - t0;
        GetProcessTimes(proc, &c, &e, &k1, &u1);
        long us1 = (long)SendMessageA(meter, meterMsg, 14, 0), n1 = (long)SendMessageA(meter, meterMsg, 15, 0);
        CloseHandle(proc);
        Sleep(300);
        app.command(kStop);
        ran = ran && waitFor(app, false, 15000);
        zr::Bytes got;
        std::string out = rig.work + "\\bench.wav";
        unsigned r;
        int bits, ch;
        if (ran && zd::saveAs(app, out))
            zd::readWave(out, &r, &bits, &ch, &got);
        zd::closeDiscarding(app);
        if (!ran || got.empty()) {
            printf("record_bench: the recording did not run to the end\n");
        } else {
            /* Find the marker, then walk the counting frames. */
            long at = -1;
            for (size_t i = 0; i + 256 <= got.size(); i += 4)
                if (memcmp(&got[i], sig.data(), 256) == 0) {
                    at = (long)i;
                    break;
                }
            uint32_t lost = 0, repeated = 0, wrong = 0, seen = 0;
            if (at >= 0) {
                size_t p = (size_t)at + countStart;
                uint32_t expect = 1;
                unsigned char want[4];
                while (p + 4 <= got.size() && expect <= frames) {
                    countingFrame(want, expect);
                    if (memcmp(&got[p], want, 4) == 0) {
                        expect++;
                        seen++;
                        p += 4;
                        continue;
                    }
                    /* Which frame is it? Look a little back and ahead. */
                    uint32_t k = 0;
                    for (uint32_t d = 1; d < 50000 && !k; d++) {
                        countingFrame(want, expect + d);
                        if (expect + d <= frames && memcmp(&got[p], want, 4) == 0)
                            k = expect + d;
                        countingFrame(want, expect - d);
                        if (!k && d < expect && memcmp(&got[p], want, 4) == 0)
                            k = expect - d;
                    }
                    if (k > expect)
                        lost += k - expect;
                    else if (k)
                        repeated += expect - k;
                    else
                        wrong++;
                    expect = k ? k + 1 : expect + 1;
                    p += 4;
                }
                bool tailOk = got.size() >= p + 256 && memcmp(&got[p], tail.data(), 256) == 0;
                printf("[figure] %u s of 44100 Hz 16-bit stereo recorded: %u of %u frames in order, "
                       "%u lost, %u repeated, %u wrong; tail %s; %ld bytes of latency before the signal\n",
                       seconds, seen, frames, lost, repeated, wrong, tailOk ? "follows exactly" : "NOT found after them", at);
                status = (seen == frames && lost == 0 && repeated == 0 && wrong == 0) ? 0 : 1;
            } else {
                printf("record_bench: marker not found in %zu bytes\n", got.size());
            }
            double cpu = fileTimeMs(k1) - fileTimeMs(k0) + fileTimeMs(u1) - fileTimeMs(u0);
            printf("[figure] program CPU while recording: %.0f ms over %.1f s fed (%.2f%% of the recorded time)\n",
                   cpu, wall, cpu / (wall * 10.0));
            long draws = n1 - n0;
            printf("[figure] meter: %ld updates while recording, %.1f us drawing per update\n", draws,
                   draws > 0 ? (double)(us1 - us0) / draws : 0.0);
        }
    }
    zr::setDriver("alsa");
    return status;
}
