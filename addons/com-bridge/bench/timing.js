'use strict';
// What the benchmark scripts measure with: a median, and a run's time.
const median = (values) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2;
};
// Microseconds fn takes.
const micros = (fn) => {
  const start = process.hrtime.bigint();
  fn();
  return Number(process.hrtime.bigint() - start) / 1000;
};

module.exports = { median, micros };
