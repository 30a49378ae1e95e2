// Script interface of the com-bridge addon: COM automation (IDispatch)
// objects as ComObject instances.
//
// Values crossing into COM (call arguments, property values):
//   undefined, a missing argument  -> VT_ERROR DISP_E_PARAMNOTFOUND (an omitted
//                                     optional parameter)
//   null                           -> VT_NULL
//   integer in -2^31..2^31-1       -> VT_I4
//   integer in 2^31..2^32-1        -> VT_UI4
//   any other number (-0, NaN...)  -> VT_R8
//   Date                           -> VT_DATE holding the Date's millisecond
//                                     time value as it is (no change of epoch
//                                     or unit)
//   boolean                        -> VT_BOOL
//   ComObject                      -> VT_DISPATCH
//   array                          -> SAFEARRAY of VARIANT, lower bounds 0:
//                                     rows x columns when every element is an
//                                     array of one length, else one dimension
//   { _out: value }                -> the value by reference (see OutHolder)
//   string, bigint                 -> VT_BSTR (text up to its first NUL)
//   anything else (plain objects, functions, wrapper objects, symbols,
//   released ComObjects, arrays of more than 2^31 bytes of VARIANTs)
//                                  -> the call throws a TypeError naming the
//                                     argument's position; nothing reaches COM
//
// Values coming back (results, `_out` cells):
//   VT_EMPTY, VT_ERROR             -> undefined
//   VT_NULL                        -> null
//   VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_R4,
//   VT_R8, VT_UI8                  -> number (VT_UI8 to the nearest double)
//   VT_I8, VT_CY, VT_DECIMAL, VT_UNKNOWN -> undefined
//   VT_DATE                        -> Date whose time value is the DATE number
//                                     itself, in milliseconds (so a Date passes
//                                     through a server and back unchanged)
//   VT_BOOL                        -> true only for VARIANT_TRUE (-1); any
//                                     other value, 1 included, is false
//   VT_BSTR                        -> string up to its first NUL; a null BSTR
//                                     is undefined
//   VT_DISPATCH                    -> a new ComObject; a null pointer is
//                                     undefined
//   arrays                         -> each dimension from its lower to its
//                                     upper bound: one dimension a flat array,
//                                     two an array of rows, more nested arrays
//                                     (first dimension outermost); [] when empty.
//                                     Elements are read by the array's own
//                                     element type (SafeArrayGetVartype), not
//                                     the VARIANT's word for it
//
// Results, arrays and objects made here are built of own data properties:
// setters on Object.prototype or Array.prototype never see them.
//
// A value that cannot become a script value anywhere inside it is refused,
// never cut or replaced: an array of more than 32 dimensions, or a string
// longer than the script engine takes (536,870,888 bytes of UTF-8). Then
// get, call and calling an instance answer undefined; callUnsafe throws a
// TypeError "The result cannot be passed to script: ..." ("An _out value
// ..." for an `_out` cell); iteration throws "The element ..."; an event
// with such an argument reaches no callback and the process gets a TypeError
// "An event's argument ..." as an uncaught exception. ComObjects made for the
// refused value are released again.

/** A value that can be passed to COM. */
export type ComArgument =
  | undefined | null | number | boolean | string | bigint | Date
  | ComObject | OutHolder | ComArgument[];

/** A value that can come back from COM. */
export type ComResult = undefined | null | number | boolean | string | Date | ComObject | ComResult[];

/**
 * Passes its value by reference. After a successful call, `_out` is
 * overwritten with what the server left in the cell (when the holder still
 * has its own `_out` property and can take a value: a frozen holder is
 * left alone, and when its setter throws, the call throws that exception
 * and returns nothing). A null value passes a VARIANT cell; a
 * ComObject a cell with a reference of its own; undefined is passed as a
 * missing argument and left as it was. Holders passed to `set` or to a call
 * of the instance are never written back.
 */
export interface OutHolder {
  _out: ComArgument;
}

/** The codes and texts of a failed COM call, on the thrown error's `comError`. */
export interface ComErrorInfo {
  /** The HRESULT of the failed step as a signed 32-bit number. */
  errorCode: number;
  /** The system's text for errorCode (or "IDispatch error #n" / "Unknown error 0x..."). */
  errorMessage: string;
  /** EXCEPINFO.scode, present only when the server gave a description. */
  innerErrorCode?: number;
  /**
   * EXCEPINFO.bstrDescription, present only when the server gave one that
   * fits a script string; for a longer one the message says so instead.
   */
  innerErrorMessage?: string;
}

/**
 * Thrown by `callUnsafe`: an instance of the global Error (whatever script
 * has made of it) whose message is errorMessage, then one space and
 * innerErrorMessage when there is one.
 */
export interface ComError extends Error {
  comError: ComErrorInfo;
}

/** A member of `_getTypeInfo().properties` or `.functions`. */
export interface MemberDescription {
  /** All parameters, optional ones included. */
  numArgs: number;
}

/** A member of `_getTypeInfo().events`. */
export interface EventDescription {
  numArgs: number;
  /** The number to pass to `on` and `off`. */
  dispid: number;
}

/**
 * What an object offers, by name in UTF-16 code-unit order ("Z..." before
 * "a..."). Properties have a property get, put or putref function (a
 * property's get and put are listed once, as the later of the two in the
 * type information describes it); events are those of the object's first
 * connection point when its type library describes them. Whatever the
 * object does not supply is absent: an object without type information
 * gives three empty objects.
 */
export interface TypeInfo {
  properties: { [name: string]: MemberDescription };
  functions: { [name: string]: MemberDescription };
  events: { [name: string]: EventDescription };
}

/**
 * An event callback. Its arguments are the event's, converted as results
 * are, in the order of the notification's argument array: for IDispatch the
 * last declared parameter first. By-reference arguments arrive as values and
 * are never written back; object arguments arrive as new ComObjects, which
 * the callback releases when done. Callbacks run later on the script thread,
 * never inside the server's call; an exception a callback throws reaches the
 * process as an uncaught exception.
 */
export type EventCallback = (...args: ComResult[]) => void;

/**
 * One automation object. Instances come from the module functions, from
 * results and from `_out` cells; `new ComObject()` and `ComObject()` throw.
 * Each holds one reference on its interface until its `release()`, which
 * gives that reference up whatever count the server answers (other
 * ComObjects on the same object, a call's argument still holding it, the
 * server's own references); after that every method, `release()` included,
 * throws an Error "The ComObject was released". Calling an instance invokes its default member (by the name
 * "_Default", or by DISPID_VALUE when the object has no member of that
 * name): first as a property get, then as a method; undefined when both
 * fail.
 */
export interface ComObject extends Iterable<ComResult> {
  (...args: ComArgument[]): ComResult;
  /**
   * Subscribes the callback to the event with this DISPID (see
   * `_getTypeInfo().events`); registering a function twice makes it run
   * twice. Does nothing when dispid is no number, callback no function, or
   * the object has no connection point. While subscribed, the object keeps
   * the event loop alive.
   */
  on(dispid: number, callback: EventCallback): undefined;
  /**
   * Removes one registration of that very function. Removing the last one
   * unsubscribes from the server and lets the event loop end; so does
   * `release()`, whatever count it answers (it unsubscribes before its
   * reference goes, and drops the callbacks).
   */
  off(dispid: number, callback: EventCallback): undefined;
  /**
   * Reflection, gathered on the first call and answered from then on
   * without asking the server. Throws a TypeError for a member name longer
   * than a script string can be.
   */
  _getTypeInfo(): TypeInfo;
  /** Property get; undefined when the member is unknown or the call fails. */
  get(name: string, ...args: ComArgument[]): ComResult;
  /** Property put; the outcome is not reported. */
  set(name: string, value: ComArgument): undefined;
  /** Method call; undefined when the member is unknown or the call fails. */
  call(name: string, ...args: ComArgument[]): ComResult;
  /** Method call; a failure throws a ComError. */
  callUnsafe(name: string, ...args: ComArgument[]): ComResult;
  /**
   * The first element naming an interface identifier ("{...}") the object
   * supports, exactly as passed; undefined when none is or when iids is no
   * array. A list longer than an argument array may be (2^31 bytes of
   * VARIANTs) throws a TypeError before any element is read.
   */
  qi<T>(iids: T[]): T | undefined;
  /**
   * Unsubscribes the object's events and gives up its one reference;
   * returns the interface's new count. The object is released whatever the
   * count: a second call throws.
   */
  release(): number;
  /**
   * The elements of a collection, from its enumerator (DISPID_NEWENUM),
   * asked for one at a time as scripting hosts ask, converted as results
   * are. Throws a TypeError when the object has no
   * enumerator, and a ComError when the enumerator fails part-way. Leaving
   * the loop early releases the enumerator.
   */
  [Symbol.iterator](): Iterator<ComResult>;
}

/** The class, for `instanceof`; calling it or constructing it throws. */
export interface ComObjectClass {
  readonly prototype: ComObject;
  new (): never;
  (): never;
}
export declare const ComObject: ComObjectClass;

/** Creates the server object of a ProgID (in-process or local server). */
export declare function CreateObject(progId: string): ComObject;
/** The running object registered for the ProgID's class. */
export declare function GetActiveObject(progId: string): ComObject;
/**
 * FindWindowEx with no title: parent and childAfter as window handles (the
 * low 32 bits, signed; non-numbers are 0), className or "" for any class.
 * Returns the handle the same way, 0 when none.
 */
export declare function FindWindow(parent?: number, childAfter?: number, className?: string): number;
/** The window's native object model (OBJID_NATIVEOM), or undefined. */
export declare function AccessibleObjectFromWindow(hwnd: number): ComObject | undefined;
/**
 * Same as object.release(); throws a TypeError for anything but a
 * ComObject, and an Error for a released one.
 */
export declare function Release(object: ComObject): number;
