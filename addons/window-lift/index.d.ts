/**
 * Makes the window the foreground window, even when this process is not in
 * the foreground. Every step is traced on standard output.
 *
 * @param handle the window handle, as a number
 * @returns "" on success; "failed" when another window (or none) kept the
 *   foreground, or when the target or the foreground window does not take a
 *   message within 1 s (a hung window: no window call is made then); an "ERROR ..." text for an invalid handle; the
 *   "[NAPI-UTILS] ... ERROR: ..." text for a missing or non-numeric argument;
 *   null when the call itself failed unexpectedly
 */
export declare function WindowLift(handle: number): string | null;
