// What import gives: the functions by name, and all of them as the default.
import hoverhue from './promises.js';

export * from './promises.js';
export default hoverhue;
