// SPDX-License-Identifier: GPL-3.0-or-later
// The page's synthesizer, for the multimedia service's page output (mci/page_output.cpp); run
// before the program starts, beside display.js.
//
// FluidSynth compiled to WebAssembly (js-synthesizer's libfluidsynth and its worklet build) runs in
// an AudioWorklet with our processor (tessivo_worklet.js), which applies the program's list of
// channel messages at their frames as it renders and says when the list has been heard. The
// program's end report is made here, from the worklet's message: no timer is involved, so a page
// in a background tab ends its play in time too.
"use strict";

(function () {
  const kFiles = ["synth/libfluidsynth-2.4.6.js", "synth/js-synthesizer.worklet.min.js", "tessivo_worklet.js"];
  const kSoundfont = "synth/tessivo_keys.sf2";

  class Audio {
    constructor() {
      this.context = null;
      this.node = null;
      this.loading = null;  // resolves with the node once the soundfont is in
      this.gain = 0.2;
      this.why = "";
      this.failed = false;  // the synthesizer or the soundfont did not load: no play can start
      this.playing = 0;  // the token of the play the worklet has
      // Browsers let sound start only inside a user's gesture: the first press or key makes the
      // context (and resumes it, should the browser have suspended it since), so the first click
      // on Play plays.
      const gesture = () => this.start();
      for (const kind of ["pointerdown", "keydown"]) document.addEventListener(kind, gesture, true);
    }

    start() {
      if (!this.context) {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context || !window.AudioWorkletNode) {
          this.why = "this browser has no AudioWorklet.";
          return;
        }
        // The program's sequencer counts frames at this rate; the browser resamples to the device.
        this.context = new Context({sampleRate: 44100, latencyHint: "playback"});
      }
      if (this.context.state === "suspended") this.context.resume();
    }

    // The program opens its first key file: the synthesizer and the soundfont load meanwhile.
    prepare(gain) {
      this.gain = gain;
      this.start();
      if (this.loading || !this.context) return;
      const context = this.context;
      this.loading = kFiles.reduce((p, file) => p.then(() => context.audioWorklet.addModule(file)), Promise.resolve())
        .then(() => fetch(kSoundfont))
        .then((r) => {
          if (!r.ok) throw new Error(`the soundfont ${kSoundfont} is not on the server (${r.status})`);
          return r.arrayBuffer();
        })
        .then((soundfont) => new Promise((resolve, reject) => {
          const node = new AudioWorkletNode(context, "tessivo-synth",
            {numberOfInputs: 0, outputChannelCount: [2], processorOptions: {gain: this.gain}});
          node.port.onmessage = (e) => {
            const m = e.data;
            if (m.type === "ready") resolve(node);
            else if (m.type === "failed") reject(new Error(m.why));
            else if (m.type === "ended") this.ended(m.token, false);
          };
          node.connect(context.destination);
          node.port.postMessage({type: "soundfont", data: soundfont}, [soundfont]);
        }))
        .then((node) => (this.node = node))
        .catch((e) => {
          this.why = "its synthesizer did not load: " + e.message;
          this.failed = true;
          this.ended(this.playing, true);
          throw e;
        });
      this.loading.catch(() => {});
    }

    // A play: `words` holds two words a message (frame, status | data1 << 8 | data2 << 16), frames
    // at `rate`. False when the page cannot play at all (problem() says why).
    play(token, words, endFrame, rate) {
      this.start();
      if (!this.loading) this.prepare(this.gain);
      if (!this.loading || this.failed) return false;
      this.playing = token;
      // What the device still holds after the last frame is rendered: the end is reported once the
      // student has heard it.
      const heldSeconds = (this.context.baseLatency || 0) + (this.context.outputLatency || 0);
      this.loading.then((node) => {
        if (this.playing === token) node.port.postMessage({type: "play", token, words, endFrame, rate, heldSeconds});
      }, () => this.ended(token, true));
      return true;
    }

    stop(token) {
      if (this.playing !== token) return;
      this.playing = 0;
      if (this.node) this.node.port.postMessage({type: "stop"});
    }

    problem() { return this.why || "the sound output failed."; }

    ended(token, failed) {
      if (!token || this.playing !== token) return;
      this.playing = 0;
      Module._tessivo_page_output_ended(token, failed ? 1 : 0);
      // The program's wait yields to the page and does not see a message posted from here: wake it.
      Module.tessivoDisplay.wake();
    }
  }

  Module.tessivoAudio = new Audio();
})();
