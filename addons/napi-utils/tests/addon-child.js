'use strict';
module.exports = require('../../../testing/common/addon-child');
