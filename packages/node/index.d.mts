// What import gives: the functions by name, and all of them as the default.
import hoverhue from './index.js';

export * from './index.js';
export default hoverhue;
