#include "platform/jsc/jsc_prelude.h"

namespace halbrin::platform {

namespace {

// Kept in the engine's realm: later changes to the globals by scripts do not
// reach the helpers.
constexpr std::string_view kPrelude = R"JS((function (global) {
  'use strict';
  var DateType = Date, ProxyType = Proxy, ObjectType = Object, StringType = String;
  var toText = ObjectType.prototype.toString, hasOwn = ObjectType.prototype.hasOwnProperty;
  var define = ObjectType.defineProperty;
  var slots = ObjectType.create(null);

  function hidden(name, value) {
    define(global, name, { value: value, writable: true, configurable: true, enumerable: false });
  }
  hidden('ScriptEngine', function ScriptEngine() { return 'JScript'; });
  hidden('ScriptEngineMajorVersion', function ScriptEngineMajorVersion() { return 5; });
  hidden('ScriptEngineMinorVersion', function ScriptEngineMinorVersion() { return 8; });
  hidden('ScriptEngineBuildVersion', function ScriptEngineBuildVersion() { return 0; });

  // Walks a JS array, a VBArray, or a collection with length (or count) and item().
  function Enumerator(collection) {
    if (!(this instanceof Enumerator)) return new Enumerator(collection);
    var items = [];
    if (collection != null) {
      if (typeof collection.toArray === 'function') {
        items = collection.toArray();
      } else {
        var count = typeof collection.length === 'number' ? collection.length : Number(collection.count) || 0;
        var byItem = typeof collection.item === 'function';
        for (var i = 0; i < count; i++) items.push(byItem ? collection.item(i) : collection[i]);
      }
    }
    define(this, '_items', { value: items });
    define(this, '_index', { value: 0, writable: true });
  }
  Enumerator.prototype.atEnd = function () { return this._index >= this._items.length; };
  Enumerator.prototype.item = function () { return this.atEnd() ? undefined : this._items[this._index]; };
  Enumerator.prototype.moveFirst = function () { this._index = 0; };
  Enumerator.prototype.moveNext = function () { if (!this.atEnd()) this._index++; };
  hidden('Enumerator', Enumerator);

  function member(slot, name) {
    if (hasOwn.call(global, name)) return;
    define(global, name, {
      get: function () { return slots[slot][name]; },
      set: function (value) { slots[slot][name] = value; },
      configurable: true,
      enumerable: false
    });
  }

  return {
    rethrow: function (error) { throw error; },
    text: function (value) { return StringType(value); },
    catchFrom: function (thrower) {
      try { thrower(); } catch (e) { return e; }
      return undefined;
    },
    // A Date's local wall-clock time as milliseconds counted as if it were UTC;
    // null for anything else, NaN for an invalid date.
    dateToWall: function (value) {
      if (toText.call(value) !== '[object Date]') return null;
      var time = value.getTime();
      if (time !== time) return NaN;
      var wall = new DateType(0);
      wall.setUTCFullYear(value.getFullYear(), value.getMonth(), value.getDate());
      wall.setUTCHours(value.getHours(), value.getMinutes(), value.getSeconds(), value.getMilliseconds());
      return wall.getTime();
    },
    wallToDate: function (wall) {
      var parts = new DateType(wall);
      var date = new DateType(2000, 0, 1);
      date.setFullYear(parts.getUTCFullYear(), parts.getUTCMonth(), parts.getUTCDate());
      date.setHours(parts.getUTCHours(), parts.getUTCMinutes(), parts.getUTCSeconds(), parts.getUTCMilliseconds());
      return date;
    },
    // A host object that can be called: the function is the call, the host the members.
    callable: function (target, host) {
      return new ProxyType(target, {
        get: function (t, key) { return (key in host) ? host[key] : t[key]; },
        set: function (t, key, value) { host[key] = value; return true; },
        has: function (t, key) { return (key in host) || (key in t); },
        ownKeys: function (t) {
          var keys = ObjectType.keys(host);
          var own = ObjectType.getOwnPropertyNames(t);
          for (var i = 0; i < own.length; i++) {
            var descriptor = ObjectType.getOwnPropertyDescriptor(t, own[i]);
            if (!descriptor.configurable && keys.indexOf(own[i]) < 0) keys.push(own[i]);
          }
          return keys;
        },
        getOwnPropertyDescriptor: function (t, key) {
          var descriptor = ObjectType.getOwnPropertyDescriptor(t, key);
          if (!(key in host) || (descriptor && !descriptor.configurable)) return descriptor;
          return { value: host[key], writable: true, enumerable: true, configurable: true };
        }
      });
    },
    // A named object: its slot, and with names its members as global names.
    named: function (slot, host, names) {
      slots[slot] = host;
      if (!names) return;
      for (var i = 0; i < names.length; i++) member(slot, names[i]);
    }
  };
})(this))JS";

}  // namespace

std::string_view JscPreludeSource() noexcept { return kPrelude; }

}  // namespace halbrin::platform
