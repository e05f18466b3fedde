// SPDX-License-Identifier: GPL-3.0-or-later
// The page's synthesizer on the audio thread (AudioWorklet): FluidSynth (js-synthesizer's build,
// loaded into this scope before this file) renders the program's plays. A play is the list of
// channel messages the program's sequencer made, each at its frame: each is applied exactly there
// within the block being rendered, so the timing follows the device's sample clock alone. When the
// last frame, and what the device still holds after it, has been rendered, the page is told.
"use strict";

// Each kind of channel message, applied to the synthesizer.
const kApply = {
  0x80: (s, c, d1) => s.midiNoteOff(c, d1),
  0x90: (s, c, d1, d2) => s.midiNoteOn(c, d1, d2),
  0xa0: (s, c, d1, d2) => s.midiKeyPressure(c, d1, d2),
  0xb0: (s, c, d1, d2) => s.midiControl(c, d1, d2),
  0xc0: (s, c, d1) => s.midiProgramChange(c, d1),
  0xd0: (s, c, d1) => s.midiChannelPressure(c, d1),
  0xe0: (s, c, d1, d2) => s.midiPitchBend(c, d1 | (d2 << 7)),
};

class TessivoSynth extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.synth = null;
    this.frame = 0;  // frames rendered so far: this processor's clock
    this.play = null;
    const gain = options.processorOptions.gain;
    this.port.onmessage = (e) => this.message(e.data, gain);
  }

  message(m, gain) {
    if (m.type === "soundfont") {
      // js-synthesizer's worklet build hangs its classes on the scope's interface object.
      const JSSynth = AudioWorkletGlobalScope.JSSynth;
      JSSynth.Synthesizer.waitForWasmInitialized()
        .then(() => {
          const synth = new JSSynth.Synthesizer();
          synth.init(sampleRate, {initialGain: gain});
          return synth.loadSFont(m.data).then(() => (this.synth = synth));
        })
        .then(() => this.port.postMessage({type: "ready"}),
          (e) => this.port.postMessage({type: "failed", why: String(e && e.message || e)}));
    } else if (m.type === "play") {
      // Frames of the program's rate to this context's, counted from the next block.
      const scale = sampleRate / m.rate;
      const at = new Float64Array(m.words.length / 2);
      for (let i = 0; i < at.length; ++i) at[i] = this.frame + Math.round(m.words[2 * i] * scale);
      this.play = {token: m.token, words: m.words, at, next: 0,
        end: this.frame + Math.round(m.endFrame * scale) + Math.round(m.heldSeconds * sampleRate)};
    } else if (m.type === "stop") {
      this.play = null;
      if (this.synth) this.synth.midiAllSoundsOff();
    }
  }

  process(inputs, outputs) {
    const out = outputs[0];
    const frames = out[0].length;
    if (!this.synth) {
      this.frame += frames;
      return true;
    }
    const p = this.play;
    let done = 0;
    while (done < frames) {
      let until = frames;
      if (p) {
        while (p.next < p.at.length && p.at[p.next] <= this.frame + done) {
          const word = p.words[2 * p.next + 1];
          const status = word & 0xff;
          const apply = kApply[status & 0xf0];
          if (apply) apply(this.synth, status & 0x0f, (word >> 8) & 0x7f, (word >> 16) & 0x7f);
          ++p.next;
        }
        if (p.next < p.at.length) until = Math.min(frames, p.at[p.next] - this.frame);
      }
      this.synth.render(out.map((channel) => channel.subarray(done, until)));
      done = until;
    }
    this.frame += frames;
    if (p && p.next >= p.at.length && this.frame >= p.end) {
      this.play = null;
      this.port.postMessage({type: "ended", token: p.token});
    }
    return true;
  }
}

registerProcessor("tessivo-synth", TessivoSynth);
