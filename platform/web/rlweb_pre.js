// Before the game starts, every sound file in its folders is decoded by the
// browser (decodeAudioData), at the mixer's rate, for the layer to read
// synchronously as it would read a file. A file the browser cannot decode is
// kept as missing, and the layer warns about it as about a damaged file.
Module['rlpDecoded'] = {};
Module['preRun'] = Module['preRun'] || [];
// The files arrive with the data package, itself a dependency of the run:
// the decoding starts once every other dependency is met.
Module['preRun'].push(function() {
  var started = false, previous = 0;
  var start = function() {
    if (started) return;
    started = true;
    decodeAll();
  };
  var before = Module['monitorRunDependencies'];
  Module['monitorRunDependencies'] = function(left) {
    if (before) before(left);
    if (left === 1 && previous > 1) start();
    previous = left;
  };
  addRunDependency('rlp-decode');
  // Nothing else to wait for once the other preRun steps have had their turn.
  setTimeout(function() { if (runDependencies === 1) start(); }, 0);
});

function decodeAll() {
  var skip = {'/dev': 1, '/proc': 1, '/tmp': 1, '/home': 1, '/sys': 1};
  var found = [];
  var walk = function(dir) {
    FS.readdir(dir).forEach(function(name) {
      if (name === '.' || name === '..') return;
      var path = (dir === '/' ? '' : dir) + '/' + name;
      if (skip[path]) return;
      var stat = FS.stat(path);
      if (FS.isDir(stat.mode)) walk(path);
      else if (/\.(wav|mp3|ogg|flac)$/i.test(name)) found.push(path);
    });
  };
  walk('/');
  var Offline = window.OfflineAudioContext || window.webkitOfflineAudioContext;
  if (!Offline || !found.length) {
    removeRunDependency('rlp-decode');
    return;
  }
  var context = new Offline(2, 1, 44100);
  Promise.all(found.map(function(path) {
    var bytes = FS.readFile(path);
    return context.decodeAudioData(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength))
      .then(function(buffer) {
        var data = [];
        for (var c = 0; c < buffer.numberOfChannels; c++) data.push(buffer.getChannelData(c));
        Module['rlpDecoded'][path] = {channels: buffer.numberOfChannels, rate: buffer.sampleRate,
                                      frames: buffer.length, data: data};
      }, function(e) {
        err('The browser could not decode ' + path + ': ' + e);
        Module['rlpDecoded'][path] = null;
      });
  })).then(function() { removeRunDependency('rlp-decode'); });
}
