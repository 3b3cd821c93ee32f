// The file system the game finds when it starts in the page, laid out as
// the installed game's: its working folder /duomatch holds the data (the
// preloaded duomatch.dat and card sets) and a link "highscores" to the
// player's own folder, which is kept in the browser's IndexedDB. The
// library writes the table through a new file, then syncs the folder: on
// this file system, that sync is what stores it in IndexedDB.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  var player = '/home/web_user/.local/share/duomatch';
  FS.mkdirTree(player);
  FS.mkdirTree('/duomatch');
  FS.symlink(player + '/highscores', '/duomatch/highscores');
  FS.chdir('/duomatch');
  if (typeof indexedDB === 'undefined') {
    console.warn('duomatch: this browser keeps no highscores between visits');
    return;
  }
  FS.mount(IDBFS, {}, player);
  addRunDependency('duomatch-highscores');
  FS.syncfs(true, function (error) {
    if (error) {
      // Private windows may refuse IndexedDB: the table lasts the visit.
      console.warn('duomatch: the highscores are kept for this visit only (' + error + ')');
      FS.unmount(player);
    }
    removeRunDependency('duomatch-highscores');
  });
});
