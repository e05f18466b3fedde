// SPDX-License-Identifier: GPL-3.0-or-later
// The page as the program's desktop (the web backend's side, run before the program starts).
//
// Each top-level window of the program is an element of the page: a frame with a caption the page
// draws (moved by its caption, never resized, a close box), and a canvas for the client area that
// the program's surfaces are copied into, rectangle by rectangle. The page's events go into a
// queue the program reads when it waits; a wait yields to the browser until an event arrives, the
// program wakes itself or its timeout passes, so nothing runs while nothing changes.
"use strict";

(function () {
  // Window flags, as web_backend.cpp sends them.
  const kTitle = 1;
  const kCloseBox = 2;
  const kPopup = 4;
  const kModal = 8;
  // Event kinds and modifier bits, as web_backend.cpp and the platform read them.
  const Kind = {
    pointerMove: 1, buttonPress: 2, buttonRelease: 3, wheel: 4, keyPress: 5, keyRelease: 6,
    moved: 7, closeRequested: 8, focusIn: 9, focusOut: 10,
  };
  const kShift = 1;
  const kControl = 2;
  const kAlt = 4;
  const kWheelDelta = 120;
  const kTextBytes = 32;
  const kRecordWords = 10;
  // The frame's measures: what lies around the client area.
  const kBorder = 1;
  const kCaption = 22;
  const kStandardPixelsPerInch = 96;

  // The platform's key numbers (X keysyms) for the keys that are not characters.
  const kKeysyms = {
    Backspace: 0xff08, Tab: 0xff09, Enter: 0xff0d, Pause: 0xff13, ScrollLock: 0xff14, Escape: 0xff1b,
    Home: 0xff50, ArrowLeft: 0xff51, ArrowUp: 0xff52, ArrowRight: 0xff53, ArrowDown: 0xff54,
    PageUp: 0xff55, PageDown: 0xff56, End: 0xff57, Insert: 0xff63, ContextMenu: 0xff67,
    NumLock: 0xff7f, Delete: 0xffff, CapsLock: 0xffe5, Meta: 0xffe7, AltGraph: 0xfe03,
  };
  const kLeftTab = 0xfe20;
  const kModifierKeys = {
    ShiftLeft: [0xffe1, kShift], ShiftRight: [0xffe2, kShift], ControlLeft: [0xffe3, kControl],
    ControlRight: [0xffe4, kControl], AltLeft: [0xffe9, kAlt], AltRight: [0xffea, kAlt],
  };
  const kFirstFunctionKey = 0xffbe;
  const kUnicodeBit = 0x01000000;

  function keysymOfCharacter(ch) {
    const cp = ch.codePointAt(0);
    return (cp >= 0x20 && cp <= 0x7e) || (cp >= 0xa0 && cp <= 0xff) ? cp : (cp | kUnicodeBit) >>> 0;
  }

  function modifiersOf(event) {
    return (event.shiftKey ? kShift : 0) | (event.ctrlKey ? kControl : 0) | (event.altKey ? kAlt : 0);
  }

  class Display {
    constructor(desktop) {
      this.desktop = desktop;
      this.windows = new Map();  // id -> {frame, caption, title, canvas, context, flags}
      this.queue = [];
      this.waiting = null;  // the pending wait's resolve
      this.timer = 0;
      this.woken = false;
      this.active = 0;
      this.grabbed = 0;
      this.pressed = 0;  // the window a held button went down in
      this.cursorX = 0;
      this.cursorY = 0;
      this.nextZ = 1;
      this.ratio = window.devicePixelRatio || 1;
      this.held = false;  // the page's events are kept from the program (holdEventsUntil)
      // The first picture is on the page (see put). Until then the page does only what drawing it
      // needs: the screen reader's mirror, the keyboard's focus and what afterFirstFrame starts
      // come in the frames after it.
      this.shown = false;
      this.showing = false;  // put the first picture; the frame that shows it is still to come
      this.afterFirstFrame = null;
      // Keys reach the program through the focused element of the desktop: the mirror's element
      // of the part that has the program's focus (mirror.js; the key selector's is a text field, so
      // that the input method composes "á" from a dead key), or else one hidden field. Tab stays in
      // the program.
      this.keys = document.createElement("textarea");
      this.keys.className = "tessivo-keys";
      this.keys.setAttribute("aria-hidden", "true");
      this.keys.autocapitalize = "off";
      this.keys.spellcheck = false;
      desktop.appendChild(this.keys);
      desktop.addEventListener("keydown", (e) => this.onKey(e, Kind.keyPress));
      desktop.addEventListener("keyup", (e) => this.onKey(e, Kind.keyRelease));
      desktop.addEventListener("input", (e) => {
        if (!e.isComposing && e.inputType === "insertText") this.onText(e.data, e.target);
      });
      desktop.addEventListener("compositionend", (e) => this.onText(e.data, e.target));
      desktop.addEventListener("paste", (e) => this.onPaste(e));
      // The system's clipboard as the page last saw it (a paste), or what the program copied.
      this.clipboard = null;
      this.pendingPaste = null;
      document.addEventListener("pointermove", (e) => this.onPointer(e, Kind.pointerMove, 0), true);
      document.addEventListener("pointerdown", (e) => this.onPointer(e, Kind.buttonPress, e.button + 1), true);
      document.addEventListener("pointerup", (e) => this.onPointer(e, Kind.buttonRelease, e.button + 1), true);
      // A finger that starts scrolling the page is no longer the program's: its press ends away
      // from every window part, so that nothing is clicked by it.
      document.addEventListener("pointercancel", (e) => this.onPointerCancel(e), true);
      document.addEventListener("wheel", (e) => this.onWheel(e), {capture: true, passive: false});
      document.addEventListener("contextmenu", (e) => e.preventDefault());
      window.addEventListener("blur", () => this.pageFocus(false));
      window.addEventListener("focus", () => this.pageFocus(true));
    }

    // ---- The desktop's measures ----------------------------------------------------------------
    // The program works in the screen's own pixels: at a device pixel ratio of 2 its windows are
    // laid out at 192 dpi (as Xft.dpi tells a desktop program) and each canvas pixel is one of the
    // screen's. The page's CSS pixels are those divided by the ratio, taken once at start (the
    // program lays its windows out once). The desktop scrolls where the viewport is smaller than
    // the windows, so the whole window can always be reached at its own size and stays sharp and
    // readable; scaling it down to fit would blur its text.
    pixelsPerInch() { return Math.round(kStandardPixelsPerInch * this.ratio); }
    screenWidth() { return Math.round(this.desktop.clientWidth * this.ratio); }
    screenHeight() { return Math.round(this.desktop.clientHeight * this.ratio); }
    toCss(pixels) { return pixels / this.ratio; }
    // The desktop's point under a pointer event, in the program's pixels.
    desktopPoint(e) {
      const box = this.desktop.getBoundingClientRect();
      return {x: (e.clientX - box.left + this.desktop.scrollLeft) * this.ratio,
        y: (e.clientY - box.top + this.desktop.scrollTop) * this.ratio};
    }

    // ---- Windows -------------------------------------------------------------------------------
    create(id, x, y, width, height, flags, title) {
      const loading = document.getElementById("loading");
      if (loading) loading.remove();
      const frame = document.createElement("div");
      frame.className = "tessivo-window";
      const caption = document.createElement("div");
      caption.className = "tessivo-caption";
      const titleText = document.createElement("span");
      caption.appendChild(titleText);
      const close = document.createElement("button");
      close.className = "tessivo-close";
      close.tabIndex = -1;
      close.textContent = "\u00d7";
      close.setAttribute("aria-label", "Fechar");
      caption.appendChild(close);
      const canvas = document.createElement("canvas");
      frame.appendChild(caption);
      frame.appendChild(canvas);
      frame.style.display = "none";
      this.desktop.appendChild(frame);
      const w = {id, frame, caption, titleText, close, canvas, context: canvas.getContext("2d"), flags, shown: false};
      this.windows.set(id, w);
      close.addEventListener("pointerdown", (e) => e.stopPropagation());
      close.addEventListener("click", () => this.push({kind: Kind.closeRequested, window: id}));
      caption.addEventListener("pointerdown", (e) => this.startMove(w, e));
      this.setProps(id, flags, title);
      this.setBounds(id, x, y, width, height);
    }

    destroy(id) {
      const w = this.windows.get(id);
      if (!w) return;
      w.frame.remove();
      this.windows.delete(id);
      if (this.active === id) this.active = 0;
      if (this.grabbed === id) this.grabbed = 0;
      if (this.pressed === id) this.pressed = 0;
    }

    setProps(id, flags, title) {
      const w = this.windows.get(id);
      if (!w) return;
      w.flags = flags;
      w.titleText.textContent = title;
      w.caption.style.display = flags & kTitle ? "" : "none";
      w.close.style.display = flags & kCloseBox ? "" : "none";
      w.frame.classList.toggle("tessivo-popup", (flags & kPopup) !== 0);
      w.frame.setAttribute("role", flags & kModal ? "dialog" : "presentation");
      this.place(w);
    }

    // The client area at (x, y) of the page; the frame and caption lie outside it.
    setBounds(id, x, y, width, height) {
      const w = this.windows.get(id);
      if (!w) return;
      w.x = x;
      w.y = y;
      if (w.canvas.width !== width || w.canvas.height !== height) {
        w.canvas.width = width;
        w.canvas.height = height;
        w.canvas.style.width = this.toCss(width) + "px";
        w.canvas.style.height = this.toCss(height) + "px";
      }
      this.place(w);
      this.applyShown(w);
    }

    place(w) {
      const framed = (w.flags & kPopup) === 0;
      const top = framed && (w.flags & kTitle) ? kCaption + kBorder : framed ? kBorder : 0;
      const side = framed ? kBorder : 0;
      w.frame.style.left = this.toCss(w.x) - side + "px";
      w.frame.style.top = this.toCss(w.y) - top + "px";
    }

    // The frame the page draws around a window's client area, in the program's pixels (left, top,
    // right, bottom), so that the platform keeps the whole of a window on the page.
    frameExtents(id) {
      const w = this.windows.get(id);
      if (!w || (w.flags & kPopup)) return [0, 0, 0, 0];
      const top = w.flags & kTitle ? kCaption + kBorder : kBorder;
      return [kBorder, top, kBorder, kBorder].map((css) => Math.round(css * this.ratio));
    }

    show(id, shown) {
      const w = this.windows.get(id);
      if (!w) return;
      w.shown = shown;
      this.applyShown(w);
      if (shown) this.raise(w);
    }

    // A window with an empty client area (the application's own, which carries no picture) is
    // never shown, as on a desktop, until it has a size.
    applyShown(w) {
      const visible = w.shown && w.canvas.width > 0 && w.canvas.height > 0;
      w.frame.style.display = visible ? "" : "none";
    }

    raise(w) {
      // Pop-ups (a drop-down list) stay above the framed windows.
      w.frame.style.zIndex = String((w.flags & kPopup ? 1000000 : 0) + this.nextZ++);
    }

    // The desktop gives the window the keyboard focus: it is raised and told, and the one that
    // had it is told it lost it.
    activate(id) {
      const w = this.windows.get(id);
      if (!w || (w.flags & kPopup)) return;
      this.raise(w);
      if (this.active === id) return;
      const previous = this.active;
      this.active = id;
      for (const other of this.windows.values()) other.frame.classList.toggle("tessivo-active", other.id === id);
      if (previous) this.push({kind: Kind.focusOut, window: previous});
      this.push({kind: Kind.focusIn, window: id});
      // (Focusing an element lays the page out: before the first picture that waits for it.)
      if (this.shown) this.focusKeys();
    }

    // The page's keyboard focus where the program's is (the mirror's element), else the field.
    focusKeys() {
      const target = (Module.tessivoMirror && Module.tessivoMirror.focusTarget()) || this.keys;
      if (document.activeElement !== target) target.focus({preventScroll: true});
    }

    pageFocus(focused) {
      if (!this.active) return;
      this.push({kind: focused ? Kind.focusIn : Kind.focusOut, window: this.active});
    }

    put(id, bytes, x, y, width, height) {
      const w = this.windows.get(id);
      if (!w) return;
      const pixels = new Uint8ClampedArray(bytes.buffer, bytes.byteOffset, width * height * 4);
      w.context.putImageData(new ImageData(pixels, width, height), x, y);
      if (this.shown || this.showing) return;
      // The first picture is shown in the frame the browser starts once the program yields: that
      // moment is the start-up benchmark's (bench/web/first_frame.mjs), and what waited for the
      // picture starts after that frame.
      this.showing = true;
      requestAnimationFrame(() => {
        window.firstFrameMs = performance.now();
        setTimeout(() => this.firstPictureShown(), 0);
      });
    }

    firstPictureShown() {
      this.shown = true;
      this.focusKeys();
      // The program's next wait hands the mirror its model (page_mirror.cpp).
      this.wake();
      if (this.afterFirstFrame) this.afterFirstFrame();
    }

    // ---- Moving a window by its caption -----------------------------------------------------------
    startMove(w, e) {
      if (e.button !== 0 || e.target === w.close) return;
      e.preventDefault();
      e.stopPropagation();
      this.activate(w.id);
      const start = {px: e.clientX, py: e.clientY, x: w.x, y: w.y};
      w.caption.setPointerCapture(e.pointerId);
      const move = (m) => {
        const x = Math.round(start.x + (m.clientX - start.px) * this.ratio);
        const y = Math.round(start.y + (m.clientY - start.py) * this.ratio);
        if (x === w.x && y === w.y) return;
        w.x = x;
        w.y = y;
        this.place(w);
        this.push({kind: Kind.moved, window: w.id, x, y});
      };
      const end = () => {
        w.caption.removeEventListener("pointermove", move);
        w.caption.removeEventListener("pointerup", end);
        w.caption.removeEventListener("lostpointercapture", end);
      };
      w.caption.addEventListener("pointermove", move);
      w.caption.addEventListener("pointerup", end);
      w.caption.addEventListener("lostpointercapture", end);
    }

    // ---- Pointer -----------------------------------------------------------------------------------
    grab(id) { this.grabbed = id; }

    // The window whose client area is under the event, or 0.
    windowAt(e) {
      for (const w of this.windows.values()) {
        if (e.target === w.canvas) return w.id;
      }
      return 0;
    }

    onPointer(e, kind, button) {
      const at = this.desktopPoint(e);
      this.cursorX = Math.round(at.x);
      this.cursorY = Math.round(at.y);
      if (e.target && e.target.closest && e.target.closest(".tessivo-caption")) return;
      let id = this.windowAt(e);
      if (kind === Kind.buttonPress && id) {
        const w = this.windows.get(id);
        if (!(w.flags & kPopup) && this.active !== id) this.activate(id);
        this.pressed = id;
        this.focusKeys();
      }
      // A held button keeps the pointer for the window it went down in, as a desktop does.
      if (this.pressed && !this.grabbed) id = this.pressed;
      if (kind === Kind.buttonRelease) this.pressed = 0;
      if (!id && !this.grabbed) return;
      if (kind !== Kind.pointerMove) e.preventDefault();
      this.pushPointer(e, kind, button, this.grabbed ? 0 : id);
    }

    onPointerCancel(e) {
      const id = this.pressed || this.grabbed;
      this.pressed = 0;
      if (!id) return;
      this.push({kind: Kind.buttonRelease, window: this.grabbed ? 0 : id, x: -1, y: -1, button: 1, wheel: 0,
        modifiers: modifiersOf(e)});
    }

    onWheel(e) {
      const id = this.windowAt(e);
      if (!id && !this.grabbed) return;
      e.preventDefault();
      if (e.deltaY === 0) return;
      this.pushPointer(e, Kind.wheel, 0, this.grabbed ? 0 : id, e.deltaY < 0 ? kWheelDelta : -kWheelDelta);
    }

    // In the window's client coordinates, or the desktop's when `id` is 0 (a grab).
    pushPointer(e, kind, button, id, wheel = 0) {
      let {x, y} = this.desktopPoint(e);
      if (id) {
        const box = this.windows.get(id).canvas.getBoundingClientRect();
        x = (e.clientX - box.left) * this.ratio;
        y = (e.clientY - box.top) * this.ratio;
      }
      this.push({kind, window: id, x: Math.floor(x), y: Math.floor(y), button, wheel, modifiers: modifiersOf(e)});
    }

    // ---- Keys ----------------------------------------------------------------------------------------
    onKey(e, kind) {
      if (!this.active || e.isComposing || e.key === "Dead" || e.key === "Process") return;
      let keysym = 0;
      let text = "";
      let modifiers = modifiersOf(e);
      const modifier = kModifierKeys[e.code];
      if (modifier) {
        keysym = modifier[0];
        // The state before the event, as the platform reads it.
        modifiers = kind === Kind.keyPress ? modifiers & ~modifier[1] : modifiers | modifier[1];
      } else if (e.key === "Tab") {
        keysym = e.shiftKey ? kLeftTab : kKeysyms.Tab;
      } else if (kKeysyms[e.key]) {
        keysym = kKeysyms[e.key];
        if (e.key === "Enter") text = "\r";
        if (e.key === "Escape") text = "\u001b";
        if (e.key === "Backspace") text = "\b";
      } else if (/^F([1-9]|1[0-9]|2[0-4])$/.test(e.key)) {
        keysym = kFirstFunctionKey + Number(e.key.slice(1)) - 1;
      } else if ([...e.key].length === 1) {
        keysym = keysymOfCharacter(e.key);
        text = e.key;
        if (e.ctrlKey && !e.altKey) {
          // A control character, as a desktop's keyboard gives it with Ctrl.
          const upper = e.key.toUpperCase().charCodeAt(0);
          text = upper >= 0x40 && upper <= 0x5f ? String.fromCharCode(upper - 0x40) : "";
        }
      } else {
        return;  // a key the program has no name for
      }
      if (kind === Kind.keyRelease) text = "";
      const event = {kind, window: this.active, keysym, text, modifiers};
      // Ctrl+V: the page hands over the system's clipboard only in the paste event that follows
      // the key, so the key waits for it (or for its release, when no paste comes).
      const paste = e.ctrlKey && !e.altKey && (e.key === "v" || e.key === "V");
      if (paste && kind === Kind.keyPress) {
        this.pendingPaste = event;
        return;
      }
      e.preventDefault();
      if (kind === Kind.keyRelease) this.flushPaste();
      this.push(event);
    }

    onPaste(e) {
      e.preventDefault();
      this.clipboard = e.clipboardData ? e.clipboardData.getData("text/plain") : null;
      this.flushPaste();
    }

    flushPaste() {
      if (!this.pendingPaste) return;
      this.push(this.pendingPaste);
      this.pendingPaste = null;
    }

    // What the program copied goes to the system's clipboard too, while the key that copied it
    // still counts as the user's gesture.
    setClipboard(text) {
      this.clipboard = text;
      if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
    }

    // Characters the input method composed (a dead key, then a letter): one key press each.
    // Text composed in a field: the program gets its characters, and the field shows again what
    // it showed (the program's text, or nothing).
    onText(data, field) {
      const text = data || "";
      if (field && "value" in field) field.value = field.dataset.text || "";
      if (!this.active || !text) return;
      for (const ch of text) {
        const keysym = keysymOfCharacter(ch);
        this.push({kind: Kind.keyPress, window: this.active, keysym, text: ch, modifiers: 0});
        this.push({kind: Kind.keyRelease, window: this.active, keysym, text: "", modifiers: 0});
      }
    }

    // The program has ended (its window closed): the page says how to open it again.
    ended() {
      const note = document.createElement("p");
      note.id = "loading";
      note.textContent = "O Tessivo foi fechado. Recarregue a página para abri-lo de novo.";
      this.desktop.appendChild(note);
    }

    // ---- The queue and the wait ---------------------------------------------------------------------
    // Keeps the page's events from the program until `ready` settles. The program draws its window
    // meanwhile; what the user does in that time waits in the queue, in order.
    holdEventsUntil(ready) {
      this.held = true;
      // A key file that could not be written is simply not there (see the program's folder below).
      ready.catch(() => {}).then(() => {
        this.held = false;
        if (this.queue.length) this.endWait();
      });
    }

    push(event) {
      event.timeMs = Math.floor(performance.now());
      this.queue.push(event);
      this.release();
    }

    wake() {
      this.woken = true;
      this.release();
    }

    // An event arrived or the program woke itself: a wait ends, unless events are held.
    release() {
      if (!this.held || this.woken) this.endWait();
    }

    endWait() {
      if (!this.waiting) return;
      const resolve = this.waiting;
      this.waiting = null;
      clearTimeout(this.timer);
      resolve();
    }

    wait(timeoutMs) {
      if ((this.queue.length && !this.held) || this.woken) {
        this.woken = false;
        return Promise.resolve();
      }
      return new Promise((resolve) => {
        this.waiting = () => {
          this.woken = false;
          resolve();
        };
        if (timeoutMs >= 0) this.timer = setTimeout(() => this.endWait(), timeoutMs);
      });
    }

    // Writes the oldest event at HEAP32[index] (web_backend.cpp's EventRecord); 0 when none.
    nextEvent(index) {
      if (this.held) return 0;
      const e = this.queue.shift();
      if (!e) return 0;
      const words = [e.kind, e.window || 0, e.x || 0, e.y || 0, e.button || 0, e.wheel || 0, e.keysym || 0,
        e.modifiers || 0, e.timeMs | 0, 0];
      const text = e.text || "";
      const textAt = (index + kRecordWords) * 4;
      HEAPU8.fill(0, textAt, textAt + kTextBytes);
      words[9] = Math.min(lengthBytesUTF8(text), kTextBytes - 1);
      stringToUTF8(text, textAt, kTextBytes);
      HEAP32.set(words, index);
      return 1;
    }
  }

  Module.tessivoDisplay = new Display(document.getElementById("desktop"));

  // The program's code, compiled by tessivo_start.js while the loader came in; without that
  // script the loader fetches and compiles it itself.
  if (Module.tessivoCode) {
    Module.instantiateWasm = (imports, receiveInstance) => {
      Module.tessivoCode
        .then((code) => WebAssembly.instantiate(code, suspendingImports(imports)).then((instance) =>
          receiveInstance(suspendableInstance(instance), code)))
        .catch((error) => {
          const note = document.getElementById("loading");
          if (note) note.textContent = "O Tessivo não pôde ser carregado: " + error;
        });
      return {};
    };
  }

  // The program built for the browser's own suspension (src/CMakeLists.txt) waits through an import
  // that returns a promise: the browser suspends main's stack on it and resumes it when the promise
  // settles. main therefore runs as a promising export, and what the loader sees of it is a call
  // that leaves the runtime running ("unwind", as emscripten's own loops do); its return, when the
  // window is closed, is emscripten's exit. (The Asyncify build has no such import: emscripten
  // unwinds and rewinds its stack itself.)
  // (The import and main keep their names at the build's -O2; a link that shortens names, as -Os
  // and -O3 do, would leave the wait unsuspended: that stops here, said on the page.)
  let suspends = false;
  function suspendingImports(imports) {
    suspends = typeof tessivo_js_wait === "function";
    if (!suspends) return imports;
    if (imports.env.tessivo_js_wait !== tessivo_js_wait) {
      throw new Error("the program's wait is not among its imports by its name");
    }
    imports.env.tessivo_js_wait = new WebAssembly.Suspending(imports.env.tessivo_js_wait);
    return imports;
  }

  function suspendableInstance(instance) {
    if (!suspends) return instance;
    const main = WebAssembly.promising(instance.exports.main);
    const exports = Object.assign({}, instance.exports, {
      main: (argc, argv) => {
        main(argc, argv).then((status) => {
          try {
            exit(status, /* implicit = */ true);
          } catch (end) {
            if (!(end instanceof ExitStatus)) throw end;  // exit ends by throwing its status
          }
        }, handleException);
        throw "unwind";
      },
    });
    return {exports};
  }

  // The program lives in /tessivo of the page's file system, its key files beside it as on a
  // desktop. They are fetched once its window is drawn (sixteen requests would otherwise hold up
  // its start), and no click or key reaches the program before they are written, so no key can be
  // chosen before its file is there. One the server does not give is simply not there, and
  // choosing its key says so as the desktop program does for a missing file.
  const kFolder = "/tessivo";
  Module.thisProgram = kFolder + "/tessivo";
  Module.preRun = Module.preRun || [];
  Module.preRun.push(() => {
    FS.mkdir(kFolder);
    const display = Module.tessivoDisplay;
    display.holdEventsUntil(new Promise((written) => {
      display.afterFirstFrame = () => {
        keepSite();
        written(fetchKeyFiles());
      };
    }));
  });

  // The site kept by its service worker (tessivo_worker.js) for the next visit without network,
  // with the build of the program this page runs (tessivo_start.js chose it). Browsers give service
  // workers only to pages from https or this machine; elsewhere the page simply needs the network
  // each time.
  function keepSite() {
    if (!("serviceWorker" in navigator)) return;
    const build = Module.tessivoBuild ? "?build=" + encodeURIComponent(Module.tessivoBuild) : "";
    navigator.serviceWorker.register("tessivo_worker.js" + build).catch(() => {});
  }

  function fetchKeyFiles() {
    return fetch("keys.txt")
      .then((response) => (response.ok ? response.text() : ""))
      .catch(() => "")
      .then((list) => Promise.all(list.split("\n").filter((name) => name).map((name) =>
        fetch("keys/" + encodeURIComponent(name))
          .then((response) => (response.ok ? response.arrayBuffer() : null))
          .then((data) => data && FS.writeFile(kFolder + "/" + name, new Uint8Array(data)))
          .catch(() => {}))));
  }
})();
