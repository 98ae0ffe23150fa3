// Sound effects, synthesised: every recipe is a small function of time and a
// fixed seed. Loops are cross-faded so their end runs into their start.
#include <cmath>
#include <numbers>

#include "gen.h"

namespace nurumo::gen {

namespace {

constexpr double kTau = 2 * std::numbers::pi;
constexpr double kRate = kSampleRate;

int Samples(double seconds) { return static_cast<int>(seconds * kRate); }

// One-pole low-pass; `cutoff` in Hz.
class LowPass {
 public:
  double operator()(double in, double cutoff) {
    double a = 1 - std::exp(-kTau * cutoff / kRate);
    state_ += a * (in - state_);
    return state_;
  }

 private:
  double state_ = 0;
};

class HighPass {
 public:
  double operator()(double in, double cutoff) { return in - low_(in, cutoff); }

 private:
  LowPass low_;
};

// Attack then exponential decay with time constant `decay` seconds.
double Strike(double t, double attack, double decay) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// A signal of `seconds` whose end runs into its start: the recipe makes a
// little more, and the extra tail is faded into the head with equal power.
std::vector<double> Seamless(std::vector<double> signal, int length) {
  int fade = static_cast<int>(signal.size()) - length;
  std::vector<double> out(signal.begin(), signal.begin() + length);
  for (int i = 0; i < fade; ++i) {
    double t = (i + 0.5) / fade;
    out[static_cast<std::size_t>(i)] = signal[static_cast<std::size_t>(i)] * std::sqrt(t) +
                                       signal[static_cast<std::size_t>(length + i)] * std::sqrt(1 - t);
  }
  return out;
}

std::vector<double> Noise00() {  // soft static for the title, looping
  int length = Samples(2.0), fade = Samples(0.25);
  Noise noise(100);
  HighPass high;
  LowPass low;
  std::vector<double> s;
  for (int i = 0; i < length + fade; ++i) {
    double crackle = noise.Below(900) == 0 ? noise.Signed() * 2.5 : 0;  // rare dust on the needle
    s.push_back(0.22 * low(high(noise.Signed() + crackle, 300), 5000));
  }
  return Seamless(s, length);
}

std::vector<double> Suka() {  // an airy swish, a key press into nothing
  Noise noise(101);
  LowPass low;
  std::vector<double> s;
  for (int i = 0; i < Samples(0.35); ++i) {
    double t = i / kRate;
    double cutoff = 4000 * std::exp(-t * 8) + 300;
    s.push_back(0.7 * Strike(t, 0.02, 0.08) * low(noise.Signed(), cutoff));
  }
  return s;
}

std::vector<double> Hyuun() {  // a rising whistle: the save went through
  std::vector<double> s;
  double phase = 0;
  for (int i = 0; i < Samples(0.9); ++i) {
    double t = i / kRate;
    double f = 420 + 1100 * (1 - std::exp(-t * 5)) + 12 * std::sin(kTau * 6 * t);
    phase += kTau * f / kRate;
    s.push_back(0.35 * Strike(t, 0.06, 0.3) * (std::sin(phase) + 0.2 * std::sin(2 * phase)));
  }
  return s;
}

std::vector<double> Bub() {  // two low blips: the save failed
  std::vector<double> s;
  for (int i = 0; i < Samples(0.45); ++i) {
    double t = i / kRate;
    double local = std::fmod(t, 0.2);
    double f = 150 - 60 * local;
    double wave = std::tanh(3 * std::sin(kTau * f * t));  // a soft square
    s.push_back(0.35 * Strike(local, 0.005, 0.05) * wave);
  }
  return s;
}

double BellTone(double t, double f, double decay) {
  constexpr double kPartials[4][2] = {{1.0, 1.0}, {2.76, 0.45}, {5.4, 0.25}, {8.93, 0.12}};
  double sum = 0;
  for (const auto& p : kPartials)
    sum += p[1] * std::sin(kTau * f * p[0] * t) * std::exp(-t * p[0] / decay);
  return t < 0 ? 0 : sum * std::min(1.0, t / 0.003);
}

std::vector<double> Open() {  // a door of notes opening upward: level up
  constexpr double kNotes[4] = {523.25, 659.26, 783.99, 1046.5};
  std::vector<double> s;
  for (int i = 0; i < Samples(1.6); ++i) {
    double t = i / kRate, sum = 0;
    for (int k = 0; k < 4; ++k) sum += BellTone(t - 0.12 * k, kNotes[k], 1.2);
    s.push_back(0.16 * sum);
  }
  return s;
}

std::vector<double> Bell() {
  std::vector<double> s;
  for (int i = 0; i < Samples(3.0); ++i) {
    double t = i / kRate;
    s.push_back(0.3 * (BellTone(t, 392, 2.5) + 0.3 * BellTone(t, 394.5, 2.5)));  // a slow beat
  }
  return s;
}

std::vector<double> Drip() {  // a drop of water: a short rising blip and its echo
  std::vector<double> s;
  double phase = 0, echo = 0;
  for (int i = 0; i < Samples(0.5); ++i) {
    double t = i / kRate;
    phase += kTau * (700 + 1200 * std::min(1.0, t / 0.04)) / kRate;
    double te = t - 0.18;
    if (te > 0) echo += kTau * (700 + 1200 * std::min(1.0, te / 0.04)) / kRate;
    s.push_back(0.5 * Strike(t, 0.002, 0.03) * std::sin(phase) + 0.15 * Strike(te, 0.002, 0.03) * std::sin(echo));
  }
  return s;
}

std::vector<double> Glass() {  // a rim of glass, rubbed and let go
  constexpr double kPartials[4][2] = {{1870, 1.0}, {3120, 0.5}, {4710, 0.3}, {6290, 0.15}};
  std::vector<double> s;
  for (int i = 0; i < Samples(2.0); ++i) {
    double t = i / kRate, sum = 0;
    for (const auto& p : kPartials)
      sum += p[1] * std::sin(kTau * p[0] * t + std::sin(kTau * 3 * t)) * std::exp(-t * p[0] / 2500);
    s.push_back(0.22 * Strike(t, 0.01, 10) * sum);
  }
  return s;
}

std::vector<double> Steps() {  // five footsteps going away
  Noise noise(102);
  LowPass low, body;
  std::vector<double> s;
  for (int i = 0; i < Samples(2.6); ++i) {
    double t = i / kRate;
    double local = std::fmod(t, 0.5);
    int step = static_cast<int>(t / 0.5);
    double level = step < 5 ? 0.9 * std::pow(0.75, step) : 0;
    double grit = low(noise.Signed(), 1200) * Strike(local, 0.004, 0.04);
    double thump = body(std::sin(kTau * 80 * local), 400) * Strike(local, 0.004, 0.05);
    s.push_back(level * (grit + 0.6 * thump));
  }
  return s;
}

std::vector<double> Wind() {  // a slow wind that rises and falls once a loop
  const int length = Samples(6.0), fade = Samples(0.5);
  Noise noise(103);
  LowPass low, low2;
  std::vector<double> s;
  for (int i = 0; i < length + fade; ++i) {
    double cycle = kTau * i / length;
    double cutoff = 500 + 350 * std::sin(cycle) + 120 * std::sin(3 * cycle);
    double level = 0.55 + 0.3 * std::sin(cycle + 0.7);
    s.push_back(1.8 * level * low2(low(noise.Signed(), cutoff), cutoff * 1.5));
  }
  return Seamless(s, length);
}

std::vector<double> Heart() {  // a slow heartbeat, one beat a second
  const int length = Samples(2.0), fade = Samples(0.05);
  std::vector<double> s;
  for (int i = 0; i < length + fade; ++i) {
    double t = std::fmod(static_cast<double>(i) / kRate, 1.0);
    double lub = Strike(t - 0.05, 0.01, 0.06) * std::sin(kTau * (55 - 15 * t) * t);
    double dub = 0.7 * Strike(t - 0.33, 0.01, 0.05) * std::sin(kTau * (65 - 15 * t) * t);
    s.push_back(0.8 * (lub + dub));
  }
  return Seamless(s, length);
}

std::vector<double> Rain() {  // soft rain: a hiss and scattered drops
  const int length = Samples(4.0), fade = Samples(0.4);
  Noise noise(104);
  LowPass hiss;
  std::vector<double> s(static_cast<std::size_t>(length + fade), 0.0);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = 0.18 * hiss(noise.Signed(), 2500);
  for (int drop = 0; drop < 260; ++drop) {
    int start = noise.Below(length + fade);
    double f = 1500 + 2500 * noise.Unit(), level = 0.05 + 0.15 * noise.Unit();
    for (int k = 0; k < Samples(0.02) && start + k < length + fade; ++k) {
      double t = k / kRate;
      s[static_cast<std::size_t>(start + k)] += level * Strike(t, 0.0005, 0.004) * std::sin(kTau * f * t);
    }
  }
  return Seamless(s, length);
}

}  // namespace

const std::vector<SoundRecipe>& SoundRecipes() {
  static const std::vector<SoundRecipe> kRecipes = {
      {"noise00", true, Noise00}, {"suka", false, Suka},   {"hyuun", false, Hyuun},
      {"bub", false, Bub},        {"open", false, Open},   {"bell", false, Bell},
      {"drip", false, Drip},      {"glass", false, Glass}, {"steps", false, Steps},
      {"wind", true, Wind},       {"heart", true, Heart},  {"rain", true, Rain},
  };
  return kRecipes;
}

}  // namespace nurumo::gen
