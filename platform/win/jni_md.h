// The machine-dependent part of jni.h for Windows (x86 and x64 alike): the JDK's own jni.h
// includes it by this name. jint stays 32 bits and jlong 64 bits whatever the data model.
#pragma once

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;
