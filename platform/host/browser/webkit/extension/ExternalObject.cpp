#include "host/browser/webkit/extension/ExternalObject.h"

#include "host/browser/webkit/extension/LauncherChannel.h"

#include <jsc/jsc.h>

namespace quarrow {

namespace {

// Where a context keeps the class it registered (once per context).
constexpr const char* kClassKey = "quarrow-external-class";

} // namespace

void ExternalObject::install(JSCContext* context, LauncherChannel& channel, uint64_t page)
{
    auto* klass = static_cast<JSCClass*>(g_object_get_data(G_OBJECT(context), kClassKey));
    if (!klass) {
        static JSCClassVTable vtable = {reinterpret_cast<JSCClassGetPropertyFunction>(getProperty),
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
        klass = jsc_context_register_class(context, "External", nullptr, &vtable, destroy);
        g_object_set_data(G_OBJECT(context), kClassKey, klass);
    }
    JSCValue* object = jsc_value_new_object(context, new ExternalObject(channel, page), klass);
    JSCValue* global = jsc_context_get_global_object(context);
    jsc_value_object_set_property(global, "external", object);
    g_object_unref(global);
    g_object_unref(object);
}

void* ExternalObject::getProperty(void*, JSCContext* context, void* instance, const char* name)
{
    auto* self = static_cast<ExternalObject*>(instance);
    ExtensionMessage request;
    request.kind = ExtensionMessage::Kind::GetProperty;
    request.page = self->m_page;
    request.first = name;
    const std::optional<ExtensionMessage> answer = self->m_channel.ask(request);
    if (!answer) return jsc_value_new_undefined(context);
    switch (answer->kind) {
    case ExtensionMessage::Kind::Value:
        return jsc_value_new_string(context, answer->first.c_str());
    case ExtensionMessage::Kind::Unknown:
        return nullptr; // the JS prototype's member, if it has one
    default:
        return jsc_value_new_undefined(context);
    }
}

void ExternalObject::destroy(void* instance) { delete static_cast<ExternalObject*>(instance); }

} // namespace quarrow
