// The layer's JavaScript half in the browser build: the frame pacing, Web
// Audio output and the page's decoded sound files. Linked with --js-library.
var LibraryRlpWeb = {
  $RLPWEB: {
    audio: null,       // {context, node, queue: [Float32Array], offset, queued}
    heard: {frames: 0, sumSquares: 0, peak: 0},
    frameIntervals: [],
    lastFrame: null,   // the time of the last animation frame taken
    due: 0,            // when the next frame is due
    display: 0,        // the display's frame interval, once measured
    skipped: null,     // the time of the animation frame just skipped
  },

  // Yields until the animation frame that takes the game's next frame, and
  // answers the milliseconds since the last one taken (0 for the first).
  // Frames keep `period` apart on average whatever the display's rate: the
  // due time moves on by a period from where it was at each frame taken, and
  // the animation frame nearest to it is taken, the first at most half a
  // display frame early. So at 144 Hz frames come two and three animation
  // frames apart in turn. The display's frame is measured from a skipped
  // animation frame to the next, and counts as a period until one is
  // skipped: at 60 Hz, where none is, jitter of a few milliseconds never
  // skips one. A whole period or more behind (a hidden tab, a stall), the
  // due time starts again from now, with no rush to catch up.
  rlp_web_next_frame__deps: ['$RLPWEB'],
  rlp_web_next_frame: function(period) {
    if (!Module['rlpFrameIntervals']) Module['rlpFrameIntervals'] = function() { return RLPWEB.frameIntervals; };
    return Asyncify.handleSleep(function(wakeUp) {
      // A frame was shown when the loop comes back here after its first wait.
      if (RLPWEB.lastFrame !== null && Module['onFrame']) Module['onFrame']();
      var tick = function(now) {
        var last = RLPWEB.lastFrame, skipped = RLPWEB.skipped;
        if (skipped !== null && now - skipped > 0 && now - skipped <= period) {
          RLPWEB.display = RLPWEB.display ? RLPWEB.display + (now - skipped - RLPWEB.display) / 8 : now - skipped;
        }
        RLPWEB.skipped = null;
        if (last !== null && now < RLPWEB.due - (RLPWEB.display || period) / 2) {
          RLPWEB.skipped = now;
          requestAnimationFrame(tick);
          return;
        }
        var behind = last === null || now - RLPWEB.due >= period;
        RLPWEB.due = (behind ? now : RLPWEB.due) + period;
        RLPWEB.lastFrame = now;
        if (last !== null) {
          RLPWEB.frameIntervals.push(now - last);
          if (RLPWEB.frameIntervals.length > 36000) RLPWEB.frameIntervals.splice(0, 18000);
        }
        wakeUp(last === null ? 0 : now - last);
      };
      requestAnimationFrame(tick);
    });
  },

  // The mixer's output is played by a script processor pulling from a queue
  // that the frame loop fills; what it plays is measured, so a page can tell
  // that sound really went out.
  rlp_web_audio_open__deps: ['$RLPWEB'],
  rlp_web_audio_open: function(rate) {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    var audio;
    try {
      var context = new Context({sampleRate: rate});
      // A ring of one second, written by the frame loop and read by the
      // processor: no allocation per period, so no garbage for the collector
      // to stop the game for.
      audio = {context: context, node: context.createScriptProcessor(1024, 0, 2),
               ring: new Float32Array(rate * 2), read: 0, queued: 0};
    } catch (e) {
      err('Web Audio could not start: ' + e);
      return 0;
    }
    audio.node.onaudioprocess = function(event) {
      var left = event.outputBuffer.getChannelData(0), right = event.outputBuffer.getChannelData(1);
      var heard = RLPWEB.heard;
      var ring = audio.ring;
      for (var i = 0; i < left.length; i++) {
        var l = 0, r = 0;
        if (audio.queued > 0) {
          l = ring[audio.read];
          r = ring[audio.read + 1];
          audio.read = (audio.read + 2) % ring.length;
          audio.queued--;
        }
        left[i] = l;
        right[i] = r;
        heard.sumSquares += l * l + r * r;
        heard.peak = Math.max(heard.peak, Math.abs(l), Math.abs(r));
      }
      heard.frames += left.length;
    };
    audio.node.connect(audio.context.destination);
    // Browsers start sound only in answer to the player.
    var start = function() {
      if (audio.context.state !== 'suspended') return;
      audio.context.resume();
    };
    ['pointerdown', 'keydown', 'touchstart'].forEach(function(type) {
      document.addEventListener(type, start, true);
    });
    audio.context.onstatechange = function() {
      if (Module['onSoundState']) Module['onSoundState'](audio.context.state);
    };
    RLPWEB.audio = audio;
    Module['rlpAudio'] = function() {
      var heard = RLPWEB.heard;
      return {state: audio.context.state,
              heard: {frames: heard.frames, peak: heard.peak,
                      rms: heard.frames ? Math.sqrt(heard.sumSquares / (2 * heard.frames)) : 0}};
    };
    return 1;
  },

  rlp_web_audio_queued__deps: ['$RLPWEB'],
  rlp_web_audio_queued: function() {
    return RLPWEB.audio ? RLPWEB.audio.queued : 0;
  },

  rlp_web_audio_write__deps: ['$RLPWEB'],
  rlp_web_audio_write: function(frames, count) {
    var audio = RLPWEB.audio;
    if (!audio) return;
    var ring = audio.ring, samples = Math.min(count, ring.length / 2 - audio.queued) * 2;
    var write = (audio.read + audio.queued * 2) % ring.length, from = frames >> 2;
    for (var i = 0; i < samples; i++) {
      ring[write] = HEAPF32[from + i];
      write = write + 1 === ring.length ? 0 : write + 1;
    }
    audio.queued += samples / 2;
  },

  rlp_web_audio_close__deps: ['$RLPWEB'],
  rlp_web_audio_close: function() {
    var audio = RLPWEB.audio;
    if (!audio) return;
    audio.node.disconnect();
    audio.context.close();
    RLPWEB.audio = null;
  },

  // Module.rlpDecoded is filled before main by rlweb_pre.js: per path,
  // {channels, rate, frames, data: [Float32Array per channel]} or null.
  rlp_web_decoded_open__deps: ['$PATH', '$FS'],
  rlp_web_decoded_open: function(path, channels, rate, frames) {
    var files = Module['rlpDecoded'] || {};
    var name = UTF8ToString(path);
    var key = name.charAt(0) === '/' ? name : FS.cwd().replace(/\/$/, '') + '/' + name;
    key = PATH.normalize(key);
    var entry = files[key];
    if (!entry) return -1;
    HEAP32[channels >> 2] = entry.data.length;
    HEAP32[rate >> 2] = entry.rate;
    HEAPF64[frames >> 3] = entry.frames;
    Module['rlpDecodedById'] = Module['rlpDecodedById'] || [];
    Module['rlpDecodedById'].push(entry);
    return Module['rlpDecodedById'].length - 1;
  },

  rlp_web_decoded_read: function(id, position, count, out) {
    var entry = (Module['rlpDecodedById'] || [])[id];
    if (!entry) return 0;
    var n = Math.max(0, Math.min(count, entry.frames - position));
    var channels = Math.min(entry.data.length, 2);
    var base = out >> 1;
    for (var c = 0; c < channels; c++) {
      var source = entry.data[c];
      for (var i = 0; i < n; i++) {
        var v = source[position + i];
        HEAP16[base + i * channels + c] = v >= 1 ? 32767 : v <= -1 ? -32768 : Math.round(v * 32767);
      }
    }
    return n;
  },
};

autoAddDeps(LibraryRlpWeb, '$RLPWEB');
mergeInto(LibraryManager.library, LibraryRlpWeb);
