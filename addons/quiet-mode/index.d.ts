/**
 * Whether the user is in a quiet state now: quiet hours, presentation or
 * full-screen mode, an active quiet-hours profile, or toasts switched off.
 * Every call reads the sources afresh.
 *
 * @returns the quiet state, or null when the call itself failed unexpectedly
 */
export declare function GetQuietMode(): boolean | null;
