// Script interface of the system-bridge-api addon. No function throws: each
// reports failure through its result, as described per function.
//
// A sub key, value name or hive file holding a NUL character ('\0') is
// refused before any registry call (the registry would read the name only up
// to the NUL, and so reach an ancestor key): the writers and deleters answer
// their message with error code 57 (ERROR_INVALID_PARAMETER),
// IsRegistryKeyExists, LoadHive and UnloadHive false, GetRegistryKeyValues
// and GetSubkeys undefined.

/** Empty on success, otherwise a message naming what went wrong. */
export type StatusText = string;

/**
 * A window handle as script sees it: the handle's low 32 bits as a signed
 * number (handles at or above 2^31 are negative). Non-integers are truncated
 * toward zero; values outside the signed 32-bit range select 0x80000000.
 */
export type WindowHandle = number;

/**
 * A predefined registry root, converted with ToInt32 (so HKEY_LOCAL_MACHINE
 * may be 2147483650 or -2147483646): 0x80000000 HKEY_CLASSES_ROOT,
 * 0x80000001 HKEY_CURRENT_USER, 0x80000002 HKEY_LOCAL_MACHINE,
 * 0x80000003 HKEY_USERS, 0x80000005 HKEY_CURRENT_CONFIG.
 */
export type RootKey = number;

/** Extra REGSAM bits: 0, KEY_WOW64_64KEY (0x100) or KEY_WOW64_32KEY (0x200). */
export type AccessFlags = number;

/** REG_SZ (1) or REG_DWORD (4); other types are refused. */
export type WritableValueType = 1 | 4 | number;

/**
 * The values of a key by name, in enumeration order: REG_SZ and REG_EXPAND_SZ
 * as strings, REG_DWORD as unsigned numbers, anything else undefined. The
 * default value is listed under the empty name.
 */
export type RegistryValues = Record<string, string | number | undefined>;

/** One jump-list entry; only own properties count. */
export interface JumpListItem {
  /** "separator" (exactly) makes a separator line; anything else a task. */
  type?: unknown;
  program?: unknown;
  args?: unknown;
  description?: unknown;
  title?: unknown;
  /** Used only together with iconIndex. */
  iconPath?: unknown;
  iconIndex?: number;
}

export function EnableWindow(window: WindowHandle, enable: number): StatusText;
export function SetWindowLongPtrW(window: WindowHandle, index: number, value: number): StatusText;
export function SetForegroundWindow(window: WindowHandle): StatusText;
/** The found window, or 0. Missing or non-number handles read as 0; an empty class as none. */
export function FindWindowEx(parent?: WindowHandle, childAfter?: WindowHandle, className?: string): WindowHandle;
export function PostMessage(window?: WindowHandle, message?: number, wParam?: number, lParam?: number): undefined;
/**
 * True when the whole list was replaced; false otherwise (also for a first
 * argument that is not an array). Every text reaches the shell link whole, as
 * UTF-16, whatever the ANSI code page.
 */
export function SetJumpListToWindow(items: JumpListItem[], appId: string): boolean;
/** Undefined on success, otherwise a message. */
export function CreateRegistryKey(root: RootKey, subKey: string, flags: AccessFlags): string | undefined;
/** Undefined on success, otherwise a message. The key must exist. */
export function SetRegistryKeyValue(root: RootKey, subKey: string, flags: AccessFlags, valueName: string,
  data: unknown, type: WritableValueType): string | undefined;
export function IsRegistryKeyExists(root: RootKey, subKey: string, flags: AccessFlags): boolean;
/** Undefined when the key cannot be opened for querying. */
export function GetRegistryKeyValues(root: RootKey, subKey: string, flags: AccessFlags): RegistryValues | undefined;
/**
 * Undefined on success, otherwise a message; a key with sub keys is refused,
 * and so is a sub key that names no key below the root (empty, or backslashes
 * only: error code 57, nothing deleted).
 */
export function DeleteRegistryKey(root: RootKey, subKey: string, flags: AccessFlags): string | undefined;
/** The logon SID of the process token (S-1-5-5-...), or undefined. */
export function GetLogonSID(): string | undefined;
/**
 * "NORMAL -> HIGH", "REALTIME", ... or an error text, which ends in the
 * system's message in the user's language.
 */
export function SetPriority(pid: number): string;
export function LoadHive(root: RootKey, subKey: string, file: string): boolean;
export function UnloadHive(root: RootKey, subKey: string): boolean;
export function IsWindowVisible(window?: WindowHandle): boolean;
/**
 * The direct sub keys' names, one element per sub key in enumeration order
 * (an empty slot only where a name cannot be enumerated), undefined when the
 * key cannot be opened with full access, or the invalid-arguments text.
 */
export function GetSubkeys(root: RootKey, subKey: string): Array<string | undefined> | string | undefined;
/**
 * True on success, otherwise a message (a truthy string: test `=== true`). A
 * sub key that names no key below the root (empty, or backslashes only) is
 * refused with error code 57 and nothing is deleted.
 */
export function DeleteRegistryKeyTree(root: RootKey, subKey: string): true | string;
