'use strict';
// Loaded before anything else (node --require, through NODE_OPTIONS, so
// child processes get it too): makes the script thread what it is in the
// desktop runtime, a single-threaded apartment whose thread pumps its
// messages, before com-bridge loads. The control module joins the apartment
// as it loads; the pump runs between the loop's other work and keeps no
// process alive.
const control = require(process.env.WIN_CONTROL);
if (control.apartment() !== 'STA') throw new Error(`the script thread is in ${control.apartment()}, not an STA`);
setInterval(() => control.pumpMessages(), 1).unref();
